#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kestrovane {

// A text file written beside its target and put in the target's place only
// when it is complete: a dump that fails half-way, or a disk that fills up,
// leaves the file that was there before as it was.
class ReplacingTextFile {
public:
    ReplacingTextFile() = default;
    ReplacingTextFile(const ReplacingTextFile&) = delete;
    ReplacingTextFile& operator=(const ReplacingTextFile&) = delete;
    ~ReplacingTextFile() { Discard(); }

    // Creates the temporary file beside `targetPath` (UTF-8). False when it
    // cannot be created (no such folder, no right to write there, an empty
    // path).
    bool Create(const std::string& targetPath);

    // Appends one line; the platform's text mode gives it its line end.
    void WriteLine(std::string_view line);

    // Closes the temporary file and puts it in the target's place. False when
    // a write, the close or the replacement failed; the target is then as it
    // was and the temporary file is gone.
    bool Commit();

    // Removes the temporary file; the target stays as it was.
    void Discard();

    static std::string TemporaryPathOf(const std::string& targetPath) {
        return targetPath + ".new";
    }

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::ofstream stream_;
};

}  // namespace kestrovane
