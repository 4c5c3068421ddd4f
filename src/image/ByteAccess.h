#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/ImageBytes.h"

namespace kestrovane {

// The byte at offset, or nothing when it lies past the end.
std::optional<uint8_t> readByte(const ImageBytes& image, std::size_t offset);

// Writes the low 8 bits of value at offset.
WriteStatus writeByte(ImageBytes& image, std::size_t offset, int64_t value);

// The 16-bit little-endian value at offset (low byte first), or nothing when either
// byte lies past the end.
std::optional<uint16_t> readLe16(const ImageBytes& image, std::size_t offset);

// Writes bits 0 to 7 of value at offset and bits 8 to 15 after it; higher bits are
// dropped, so -10 is written as 0xF6 0xFF and 70000 as 0x70 0x11.
WriteStatus writeLe16(ImageBytes& image, std::size_t offset, int64_t value);

}  // namespace kestrovane
