#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrovane {

// Paths are UTF-8 throughout the program; the platform's narrow file names
// (on Windows those of the ANSI code page) need not be.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace kestrovane
