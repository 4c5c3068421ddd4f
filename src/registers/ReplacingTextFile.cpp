#include "registers/ReplacingTextFile.h"

namespace kestrovane {

namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

bool ReplacingTextFile::Create(const std::string& targetPath) {
    Discard();
    if (targetPath.empty()) return false;
    std::error_code error;
    // A folder of that name is never replaced.
    if (std::filesystem::is_directory(PathFromUtf8(targetPath), error)) return false;
    target_ = PathFromUtf8(targetPath);
    temporary_ = PathFromUtf8(TemporaryPathOf(targetPath));
    stream_.open(temporary_, std::ios::out | std::ios::trunc);
    if (!stream_.is_open()) {
        temporary_.clear();
        return false;
    }
    return true;
}

void ReplacingTextFile::WriteLine(std::string_view line) {
    if (!stream_.is_open()) return;
    stream_ << line << '\n';
}

bool ReplacingTextFile::Commit() {
    if (!stream_.is_open()) return false;
    stream_.flush();
    stream_.close();  // a full disk shows here at the latest
    const bool written = !stream_.fail();
    std::error_code error;
    if (written) std::filesystem::rename(temporary_, target_, error);
    if (!written || error) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingTextFile::Discard() {
    if (stream_.is_open()) stream_.close();
    stream_.clear();
    if (temporary_.empty()) return;
    std::error_code error;
    std::filesystem::remove(temporary_, error);
    temporary_.clear();
}

}  // namespace kestrovane
