#include "camera/sim/usbip/OwnedEepromFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kestrovane::usbip {

namespace {

constexpr size_t kMinimumSize = 256;
constexpr size_t kMaximumSize = 16384;
constexpr size_t kDefaultSize = 16384;

}  // namespace

std::optional<size_t> OwnedEepromFile::SizeOf(const std::string& path, std::optional<size_t> size,
                                              std::string* error) {
    std::error_code failure;
    const bool exists = std::filesystem::exists(path, failure);
    if (failure) {
        *error = path + ": " + failure.message();
        return std::nullopt;
    }
    if (!exists) return size.value_or(kDefaultSize);
    const uintmax_t length = std::filesystem::file_size(path, failure);
    if (failure) {
        *error = path + ": " + failure.message();
        return std::nullopt;
    }
    if (length < kMinimumSize || length > kMaximumSize) {
        *error = path + " holds " + std::to_string(length) +
                 " bytes; an EEPROM file holds 256 to 16384";
        return std::nullopt;
    }
    if (size && *size != length) {
        *error = path + " holds " + std::to_string(length) + " bytes, not the " +
                 std::to_string(*size) + " of --size";
        return std::nullopt;
    }
    return static_cast<size_t>(length);
}

std::optional<OwnedEepromFile> OwnedEepromFile::Open(const std::string& path,
                                                     std::optional<size_t> size,
                                                     std::string* error) {
    const std::string lockPath = path + ".lock";
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) {
        *error = lockPath + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK ? "another process serves " + path
                                      : lockPath + ": " + std::strerror(errno);
        ::close(lock);
        return std::nullopt;
    }
    OwnedEepromFile file(path, lock);
    // Only now, under the lock, is the file's size the one to go by.
    if (!SizeOf(path, size, error)) return std::nullopt;
    return file;
}

OwnedEepromFile::OwnedEepromFile(OwnedEepromFile&& other) noexcept
    : path_(std::move(other.path_)), lock_(other.lock_) {
    other.lock_ = -1;
}

OwnedEepromFile::~OwnedEepromFile() {
    if (lock_ >= 0) ::close(lock_);
}

bool OwnedEepromFile::Load(sim::SimulatedController& controller) const {
    if (std::filesystem::exists(path_)) return controller.LoadEepromFile(path_);
    return controller.SaveEepromFile(path_);  // a new camera: all 0xFF
}

bool OwnedEepromFile::Save(const sim::SimulatedController& controller) const {
    return controller.SaveEepromFile(path_);
}

}  // namespace kestrovane::usbip
