#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace kestrovane::testing {

// A fresh folder of its own for one test, removed when the test ends. The
// random part keeps test runs that share a machine apart.
class TempFolder {
public:
    explicit TempFolder(std::string name) {
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                (name + "_" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace kestrovane::testing
