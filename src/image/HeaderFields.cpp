#include "image/HeaderFields.h"

#include "image/ByteAccess.h"
#include "image/FieldOffsets.h"

namespace kestrovane {

std::optional<uint8_t> readMarker(const ImageBytes& image) {
    return readByte(image, kMarkerOffset);
}

WriteStatus writeMarker(ImageBytes& image, uint8_t marker) {
    return writeByte(image, kMarkerOffset, marker);
}

std::optional<uint16_t> readVendorId(const ImageBytes& image) {
    return readLe16(image, kVendorIdOffset);
}

WriteStatus writeVendorId(ImageBytes& image, int64_t vendorId) {
    return writeLe16(image, kVendorIdOffset, vendorId);
}

std::optional<uint16_t> readProductId(const ImageBytes& image) {
    return readLe16(image, kProductIdOffset);
}

WriteStatus writeProductId(ImageBytes& image, int64_t productId) {
    return writeLe16(image, kProductIdOffset, productId);
}

std::optional<IdentityFlags> readIdentityFlags(const ImageBytes& image) {
    const auto flags = readByte(image, kIdentityFlagsOffset);
    if (!flags) return std::nullopt;
    return IdentityFlags{(*flags & kIdentityIdsInUse) != 0,
                         (*flags & kIdentityDescriptionInUse) != 0};
}

std::optional<bool> readUpsideDown(const ImageBytes& image) {
    const auto flags = readByte(image, kOrientationFlagsOffset);
    if (!flags) return std::nullopt;
    return (*flags & kOrientationUpsideDown) != 0;
}

WriteStatus writeUpsideDown(ImageBytes& image, bool upsideDown) {
    const auto flags = readByte(image, kOrientationFlagsOffset);
    if (!flags) return WriteStatus::BeyondEnd;
    const auto updated = static_cast<uint8_t>(upsideDown ? (*flags | kOrientationUpsideDown)
                                                         : (*flags & ~kOrientationUpsideDown));
    return writeByte(image, kOrientationFlagsOffset, updated);
}

std::optional<uint8_t> readParameterBase(const ImageBytes& image) {
    return readByte(image, kParameterBaseOffset);
}

std::optional<uint16_t> readSupportBits(const ImageBytes& image) {
    return readLe16(image, kSupportBitsOffset);
}

}  // namespace kestrovane
