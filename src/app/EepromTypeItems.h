#pragma once

#include <array>
#include <string_view>

namespace kestrovane {

// The items of the "EEPROM Type:" combo boxes; an item's index is its EEPROM
// type.
inline constexpr std::array<std::string_view, 5> kEepromTypeItems{
    "24C02(256B)", "24C04(512B)", "24C08(1K)", "24C64(8K)", "24C128(16K)"};

// The type selected when the main dialog starts: "24C64(8K)".
inline constexpr int kDefaultEepromType = 3;

}  // namespace kestrovane
