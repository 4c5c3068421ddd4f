#include "app/FinishCounter.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "files/FileReplacement.h"
#include "files/SharedFileLock.h"
#include "files/Utf8Path.h"

namespace kestrovane {

namespace {

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Another copy holds the lock only while it reads and replaces 4 bytes; a
// lock kept longer than this (a copy hung on a slow disk) does not cost this
// finish its count.
constexpr std::chrono::milliseconds kLockPatience{10000};

int32_t CountFromBytes(const std::array<unsigned char, 4>& bytes) {
    const uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                           static_cast<uint32_t>(bytes[2]) << 16 |
                           static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(value);
}

// The count to add to: 0 for a missing or shorter file, none for a file that
// is there but cannot be read (its count must not be replaced by 1).
std::optional<int32_t> CountToAddTo(const std::string& counterFilePath) {
    const std::filesystem::path path = PathFromUtf8(counterFilePath);
    std::error_code error;
    const bool present = std::filesystem::exists(path, error);
    if (error) return std::nullopt;
    if (!present) return 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::array<unsigned char, 4> bytes{};
    file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    if (file.gcount() != static_cast<std::streamsize>(bytes.size())) return 0;
    return CountFromBytes(bytes);
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
    return CountFromBytes(bytes);
}

bool SaveCounterFile(const std::string& counterFilePath, int32_t count) {
    const auto value = static_cast<uint32_t>(count);
    const std::array<uint8_t, 4> bytes{
        static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
        static_cast<uint8_t>((value >> 16) & 0xFF), static_cast<uint8_t>((value >> 24) & 0xFF)};
    return ReplaceFileContents(PathFromUtf8(counterFilePath), bytes);
}

CounterChange AddFinishToCounterFile(const std::string& counterFilePath, int32_t countShown) {
    const auto lock = SharedFileLock::Acquire(PathFromUtf8(counterFilePath), kLockPatience);
    const std::optional<int32_t> stored = CountToAddTo(counterFilePath);
    if (!stored) return {static_cast<int32_t>(static_cast<uint32_t>(countShown) + 1), false};
    const auto count = static_cast<int32_t>(static_cast<uint32_t>(*stored) + 1);
    if (SaveCounterFile(counterFilePath, count)) return {count, true};
    return {static_cast<int32_t>(static_cast<uint32_t>(countShown) + 1), false};
}

CounterChange ResetCounterFile(const std::string& counterFilePath) {
    const auto lock = SharedFileLock::Acquire(PathFromUtf8(counterFilePath), kLockPatience);
    return {0, SaveCounterFile(counterFilePath, 0)};
}

std::string FinishCountText(int32_t count) {
    return "Upload finish times:" + std::to_string(count);
}

}  // namespace kestrovane
