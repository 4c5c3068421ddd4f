#include "upload/CounterFile.h"

#include <array>
#include <filesystem>
#include <fstream>

namespace kestrovane {

namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool WriteCountTo(const std::filesystem::path& path, int32_t count) {
    const auto value = static_cast<uint32_t>(count);
    const std::array<char, 4> bytes{
        static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
        static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(bytes.data(), bytes.size());
    file.close();  // a full disk shows up here at the latest
    return !file.fail();
}

}  // namespace

std::string CounterTemporaryPath(const std::string& counterFilePath) {
    return counterFilePath + ".new";
}

bool SaveCounterFile(const std::string& counterFilePath, int32_t count) {
    const std::filesystem::path target = PathFromUtf8(counterFilePath);
    const std::filesystem::path temporary = PathFromUtf8(CounterTemporaryPath(counterFilePath));
    std::error_code error;
    if (WriteCountTo(temporary, count) && std::filesystem::file_size(temporary, error) == 4 &&
        !error) {
        std::filesystem::rename(temporary, target, error);
        if (!error) return true;
    }
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace kestrovane
