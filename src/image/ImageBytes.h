#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrovane {

// Outcome of writing a field into an image.
enum class WriteStatus {
    Written,
    BeyondEnd,  // the field does not lie wholly inside the image; nothing was written
    TooLong,    // the value does not fit its field; nothing was written
    Failed,     // the image is read-only or the storage refused the bytes
};

// True when count bytes from offset lie wholly inside an image of the given size.
constexpr bool fitsWithin(std::size_t offset, std::size_t count, std::size_t size) {
    return offset <= size && count <= size - offset;
}

// The bytes of one image, in memory or in a file. Access never reaches past the
// end and never changes the image's length.
class ImageBytes {
public:
    virtual ~ImageBytes() = default;

    virtual std::size_t Size() const = 0;

    // Fills out with the bytes at offset. False, with nothing read, when the range
    // runs past the end or the storage fails.
    virtual bool Read(std::size_t offset, std::span<uint8_t> out) const = 0;

    // Overwrites the bytes at offset in place.
    virtual WriteStatus Write(std::size_t offset, std::span<const uint8_t> data) = 0;
};

}  // namespace kestrovane
