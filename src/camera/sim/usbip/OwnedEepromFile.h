#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "camera/sim/SimulatedController.h"

namespace kestrovane::usbip {

// The file that keeps a simulated camera's EEPROM between runs, held by one
// process at a time: an exclusive lock on FILE.lock for as long as the object
// lives (the lock file itself stays, removing it would race with a process
// that has just opened it).
class OwnedEepromFile {
public:
    // Takes the lock, then reads the file into the controller, or creates it
    // (`size` bytes of 0xFF) when it does not exist. A file whose length is
    // not `size` is refused rather than cut or padded. On failure `error`
    // says why and nothing is held.
    static std::optional<OwnedEepromFile> Open(const std::string& path,
                                               std::optional<size_t> size, std::string* error);
    // The EEPROM size an existing file stands for, or the default for a new one.
    static std::optional<size_t> SizeOf(const std::string& path, std::optional<size_t> size,
                                        std::string* error);

    OwnedEepromFile(OwnedEepromFile&& other) noexcept;
    OwnedEepromFile& operator=(OwnedEepromFile&&) = delete;
    ~OwnedEepromFile();

    bool Load(sim::SimulatedController& controller) const;
    bool Save(const sim::SimulatedController& controller) const;
    const std::string& Path() const { return path_; }

private:
    OwnedEepromFile(std::string path, int lock) : path_(std::move(path)), lock_(lock) {}
    std::string path_;
    int lock_ = -1;
};

}  // namespace kestrovane::usbip
