#pragma once

#include <cstddef>
#include <optional>

namespace kestrovane {

// The index of the "EEPROM Type:" combo boxes: 0 "24C02(256B)", 1 "24C04(512B)",
// 2 "24C08(1K)", 3 "24C64(8K)", 4 "24C128(16K)". A combo with nothing chosen answers -1.
using EepromType = int;
inline constexpr EepromType kNoEepromType = -1;
inline constexpr EepromType kEeprom24C02 = 0;
inline constexpr EepromType kEeprom24C04 = 1;
inline constexpr EepromType kEeprom24C08 = 2;
inline constexpr EepromType kEeprom24C64 = 3;
inline constexpr EepromType kEeprom24C128 = 4;

// Where the picture parameters live. The file does not say which one it carries;
// the EEPROM type chosen for it does.
enum class ImageLayout { Small, Large };

// Small for the three small parts and for no selection, Large from 24C64 up.
ImageLayout imageLayoutOf(EepromType type);

// Bytes per upload block: 8 on the small parts (and with no selection), 32 otherwise.
std::size_t uploadBlockSize(EepromType type);

// The part's size in bytes, or nothing for an index that names no part.
std::optional<std::size_t> eepromCapacity(EepromType type);

}  // namespace kestrovane
