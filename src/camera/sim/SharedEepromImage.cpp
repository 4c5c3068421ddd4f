#include "camera/sim/SharedEepromImage.h"

#include <algorithm>

namespace kestrovane::sim {

std::optional<std::vector<uint8_t>> SharedEepromImage::Sync(
    const std::optional<std::vector<uint8_t>>& file, std::vector<uint8_t>& eeprom) {
    std::vector<uint8_t> merged(size_, 0xFF);
    if (file) std::copy_n(file->begin(), std::min(file->size(), size_), merged.begin());
    bool changed = false;
    if (!baseline_.empty()) {
        // Only the bytes this process changed since it last saw the file.
        for (std::size_t i = 0; i < size_ && i < eeprom.size(); ++i) {
            if (eeprom[i] != baseline_[i] && merged[i] != eeprom[i]) {
                merged[i] = eeprom[i];
                changed = true;
            }
        }
    }
    baseline_ = merged;
    eeprom = merged;
    // A missing file is written once there is something of this process's to keep.
    if (changed) return merged;
    return std::nullopt;
}

}  // namespace kestrovane::sim
