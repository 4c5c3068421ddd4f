#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrovane {

// Reads a hexadecimal text the way the C library's "%x" does: leading blanks
// skipped, an optional sign, an optional "0x" or "0X", then hex digits up to
// the first other character ("0x12" and "12zz" both read 0x12). Nothing when
// the text holds no hex digit there, and nothing when no hex digit follows a
// "0x" ("0x", "0xg", "0x-5"), which "%x" would read as 0: the user meant a
// number and did not type one. A negative number reads as "%x" stores
// it, wrapped to 32 bits, and a number too large for 32 bits reads as a value
// above every limit, so neither passes a range check.
std::optional<uint64_t> ParseHexText(std::string_view text);

// The largest register address or value, and the largest address the level-0
// register requests can carry (8 bits).
inline constexpr uint64_t kMaxRegisterNumber = 0xFFFF;
inline constexpr uint64_t kMaxLegacyRegisterAddress = 0xFF;

}  // namespace kestrovane
