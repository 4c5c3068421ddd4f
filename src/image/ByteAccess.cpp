#include "image/ByteAccess.h"

#include <array>

namespace kestrovane {

std::optional<uint8_t> readByte(const ImageBytes& image, std::size_t offset) {
    std::array<uint8_t, 1> byte{};
    if (!image.Read(offset, byte)) return std::nullopt;
    return byte[0];
}

WriteStatus writeByte(ImageBytes& image, std::size_t offset, int64_t value) {
    const std::array<uint8_t, 1> byte{static_cast<uint8_t>(value & 0xFF)};
    return image.Write(offset, byte);
}

std::optional<uint16_t> readLe16(const ImageBytes& image, std::size_t offset) {
    std::array<uint8_t, 2> bytes{};
    if (!image.Read(offset, bytes)) return std::nullopt;
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

WriteStatus writeLe16(ImageBytes& image, std::size_t offset, int64_t value) {
    const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(value & 0xFF),
                                       static_cast<uint8_t>((value >> 8) & 0xFF)};
    return image.Write(offset, bytes);
}

}  // namespace kestrovane
