#include "camera/sim/FaultPlan.h"

#include <algorithm>

namespace kestrovane::sim {

namespace {

// A fixed pseudo-random value per seed and byte (splitmix64), so a torn
// page comes out the same in every run of a test.
uint64_t Mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

}  // namespace

void ApplyTear(const CommitTear& tear, std::span<const uint8_t> staged, std::size_t offset,
               std::vector<uint8_t>& eeprom) {
    if (eeprom.empty()) return;
    std::size_t count = 0;
    switch (tear.kind) {
        case TearKind::FirstBytes:
            count = std::min(tear.keptBytes, staged.size());
            break;
        case TearKind::BeforeStop:
            count = tear.pageWritten ? staged.size() : 0;
            break;
        case TearKind::PowerLost:
            for (std::size_t i = 0; i < staged.size(); ++i) {
                const uint64_t noise = Mix((static_cast<uint64_t>(tear.seed) << 32) ^ i);
                uint8_t& cell = eeprom[(offset + i) % eeprom.size()];
                switch (noise % 3) {
                    case 0:
                        break;  // kept its old value
                    case 1:
                        cell = staged[i];
                        break;
                    default:
                        cell = static_cast<uint8_t>(noise >> 16);
                        break;
                }
            }
            return;
    }
    for (std::size_t i = 0; i < count; ++i) eeprom[(offset + i) % eeprom.size()] = staged[i];
}

bool FaultPlan::FailsRequest(RequestKind kind, uint64_t block) const {
    return failFromBlock && failFromBlock->first == kind && block >= failFromBlock->second;
}

void FaultPlan::Clear() {
    const uint32_t latency = latencyUs;
    *this = FaultPlan{};
    latencyUs = latency;
}

}  // namespace kestrovane::sim
