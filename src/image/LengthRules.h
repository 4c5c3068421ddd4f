#pragma once

#include <cstddef>
#include <cstdint>

#include "image/EepromType.h"

namespace kestrovane {

// Length rules. Every image holds at least the 28 bytes in front of the parameter base;
// a Large image also holds its whole parameter block, whose last byte lies at most at
// base + 0xC3.
inline constexpr std::size_t kMinimumImageLength = 0x1C;
inline constexpr std::size_t kMinimumLargeImageLength = 733;
inline constexpr std::size_t kParameterBlockSpan = 197;

enum class LengthCheck {
    Acceptable,
    ShorterThanHeader,          // below kMinimumImageLength, either layout
    ShorterThanParameterBlock,  // a Large image too short for its parameter block
};

// The length rules for one layout; parameterBase matters only for Large.
LengthCheck checkImageLength(std::size_t length, ImageLayout layout, uint8_t parameterBase);

}  // namespace kestrovane
