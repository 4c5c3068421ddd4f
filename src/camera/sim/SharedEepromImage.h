#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrovane::sim {

// One process's side of an EEPROM file that the simulated cameras of several
// processes share, so that together they behave like one camera: each keeps
// the file's contents as it last saw them (its baseline), and a sync, done
// under a lock all the processes hold in turn, puts only the bytes this
// process changed since then into the file's current contents and gives the
// merged contents back to this process's EEPROM. Bytes another process wrote
// meanwhile are never overwritten with this process's stale copy.
class SharedEepromImage {
public:
    explicit SharedEepromImage(std::size_t size) : size_(size) {}

    // `file`: the file's current contents (none when it cannot be read; a
    // short file holds 0xFF after its end, as a new EEPROM does). `eeprom`:
    // this process's EEPROM, changed since the last sync by the camera's own
    // writes; it is replaced by the merged contents. Returns the contents to
    // write to the file, or none when the file already holds them.
    std::optional<std::vector<uint8_t>> Sync(const std::optional<std::vector<uint8_t>>& file,
                                             std::vector<uint8_t>& eeprom);

private:
    std::size_t size_;
    std::vector<uint8_t> baseline_;  // empty until the first sync
};

}  // namespace kestrovane::sim
