#include "image/EepromType.h"

#include <array>

namespace kestrovane {

ImageLayout imageLayoutOf(EepromType type) {
    return type >= kEeprom24C64 ? ImageLayout::Large : ImageLayout::Small;
}

std::size_t uploadBlockSize(EepromType type) {
    return imageLayoutOf(type) == ImageLayout::Large ? 32 : 8;
}

std::optional<std::size_t> eepromCapacity(EepromType type) {
    static constexpr std::array<std::size_t, 5> kCapacities{256, 512, 1024, 8192, 16384};
    if (type < 0 || static_cast<std::size_t>(type) >= kCapacities.size()) return std::nullopt;
    return kCapacities[static_cast<std::size_t>(type)];
}

}  // namespace kestrovane
