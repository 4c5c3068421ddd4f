#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/FieldOffsets.h"
#include "image/ImageBytes.h"

namespace kestrovane {

enum class VersionField { Bin, Hw };

// Where the field lies: 0x70 for the firmware version, 0x80 for the hardware version.
std::size_t versionFieldOffset(VersionField field);

using VersionFieldBytes = std::array<uint8_t, kVersionFieldLength>;

// The text in a version field. A 0xFF byte (erased EEPROM) counts as 0 and the text
// ends at the first 0; at most the first 16 bytes are looked at, so sixteen other bytes
// make a 16-character text.
std::string decodeVersionText(std::span<const uint8_t> field);

// The 16 bytes that store text: the characters, a terminating 0 when there are fewer
// than 16, zeros after it. Nothing when the text has more than 16 characters, which
// would spill into the next field.
std::optional<VersionFieldBytes> encodeVersionText(std::string_view text);

// The decoded text of a field of an image, or nothing when the field runs past the end.
std::optional<std::string> readVersionText(const ImageBytes& image, VersionField field);

// The firmware version text of the image file at `path` (UTF-8), or nothing
// when the file cannot be opened. A file that ends inside the field gives the
// text of the bytes it has; bytes past its end count as the end of the text.
std::optional<std::string> readFileBinVersion(const std::string& path);

// Stores text in a field of an image; TooLong for more than 16 characters.
WriteStatus writeVersionText(ImageBytes& image, VersionField field, std::string_view text);

}  // namespace kestrovane
