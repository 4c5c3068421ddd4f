#include "app/FinishCounter.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "files/FileReplacement.h"

namespace kestrovane {

namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string CounterFilePath(std::string_view programPath) {
    size_t end = programPath.size();
    for (int dropped = 0; dropped < 3 && end > 0; ++dropped) {
        --end;
        while (end > 0 && IsUtf8Continuation(programPath[end])) --end;
    }
    return std::string(programPath.substr(0, end)) + "DAT";
}

int32_t ReadFinishCount(const std::string& counterFilePath) {
    std::ifstream file(PathFromUtf8(counterFilePath), std::ios::binary);
    if (!file) return 0;
    std::array<unsigned char, 4> bytes{};
    file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    if (file.gcount() != static_cast<std::streamsize>(bytes.size())) return 0;
    const uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                           static_cast<uint32_t>(bytes[2]) << 16 |
                           static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(value);
}

bool SaveCounterFile(const std::string& counterFilePath, int32_t count) {
    const auto value = static_cast<uint32_t>(count);
    const std::array<uint8_t, 4> bytes{
        static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
        static_cast<uint8_t>((value >> 16) & 0xFF), static_cast<uint8_t>((value >> 24) & 0xFF)};
    return ReplaceFileContents(PathFromUtf8(counterFilePath), bytes);
}

std::string FinishCountText(int32_t count) {
    return "Upload finish times:" + std::to_string(count);
}

}  // namespace kestrovane
