#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "image/ImageBytes.h"

namespace kestrovane {

// The device description record: a length byte n at the offset stored in byte 22, then
// n characters, no terminator.

inline constexpr std::size_t kMaximumDescriptionLength = 255;

// The description, or nothing when byte 22, the length byte or any character lies
// past the end of the image.
std::optional<std::string> readDeviceDescription(const ImageBytes& image);

// Rewrites the record where it stands: the length byte, then the characters. A longer
// text overwrites the bytes after the old record, a shorter one leaves the old tail.
// TooLong above 255 characters; BeyondEnd when the record would run past the end of
// the image (the image never grows). Nothing is written unless all of it fits.
WriteStatus writeDeviceDescription(ImageBytes& image, std::string_view text);

}  // namespace kestrovane
