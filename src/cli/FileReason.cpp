#include "cli/FileReason.h"
#include "files/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kestrovane::cli {

std::string ReadFailureReason(const std::string& path) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return std::strerror(EISDIR);
    errno = 0;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return errno != 0 ? std::strerror(errno) : std::string();
    return {};
}

std::string CannotReadText(const std::string& what, const std::string& path) {
    const std::string reason = ReadFailureReason(path);
    return what + " " + path + " cannot be read" + (reason.empty() ? "" : ": " + reason) + ".";
}

}  // namespace kestrovane::cli
