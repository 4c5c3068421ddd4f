#pragma once

#include <cstdint>
#include <optional>

#include "image/ImageBytes.h"

namespace kestrovane {

// Accessors of the single fields at the head of an image. Each read gives nothing when
// its field lies past the end of the image.

std::optional<uint8_t> readMarker(const ImageBytes& image);
WriteStatus writeMarker(ImageBytes& image, uint8_t marker);

std::optional<uint16_t> readVendorId(const ImageBytes& image);
WriteStatus writeVendorId(ImageBytes& image, int64_t vendorId);
std::optional<uint16_t> readProductId(const ImageBytes& image);
WriteStatus writeProductId(ImageBytes& image, int64_t productId);

// Large layout: which parts of the USB identity the firmware uses.
struct IdentityFlags {
    bool idsInUse = false;
    bool descriptionInUse = false;
};
std::optional<IdentityFlags> readIdentityFlags(const ImageBytes& image);

// Large layout: whether the picture is upside-down. The write changes bit 0 of the
// orientation byte only and keeps its other bits.
std::optional<bool> readUpsideDown(const ImageBytes& image);
WriteStatus writeUpsideDown(ImageBytes& image, bool upsideDown);

// Large layout: the base offset B of the parameter block.
std::optional<uint8_t> readParameterBase(const ImageBytes& image);

// Large layout: the 16-bit support word (bits 0 to 5 the picture parameters, bit 10
// the power-line frequency). It is never written.
std::optional<uint16_t> readSupportBits(const ImageBytes& image);
constexpr bool hasSupportBit(uint16_t supportBits, int bit) {
    return ((supportBits >> bit) & 1u) != 0;
}

}  // namespace kestrovane
