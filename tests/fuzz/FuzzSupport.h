#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace kestrovane::fuzzing {

// A folder of this process for the files a target reads and writes: in
// shared memory when the machine has it (millions of small writes), else in
// the system's temporary folder. Removed when the process ends normally.
class ScratchFolder {
public:
    static const std::filesystem::path& Path() {
        static ScratchFolder folder;
        return folder.path_;
    }

private:
    ScratchFolder() {
        std::error_code error;
        std::filesystem::path root = "/dev/shm";
        if (!std::filesystem::is_directory(root, error)) {
            root = std::filesystem::temp_directory_path();
        }
        // Several fuzzers may run at once: a name of this process alone.
        path_ = root / ("kestrovane-fuzz-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::filesystem::path path_;
};

inline std::filesystem::path ScratchPath(const std::string& name) {
    return ScratchFolder::Path() / name;
}

// Writes the bytes as the whole file, or stops the run: a target that cannot
// set up its input would only report nonsense.
inline void WriteWholeFile(const std::filesystem::path& path, const uint8_t* data,
                           std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", path.c_str());
        std::abort();
    }
}

inline std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
}

// A check of a fuzz target: a failed one prints what was expected and aborts,
// which libFuzzer reports as a crash and saves the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

}  // namespace kestrovane::fuzzing
