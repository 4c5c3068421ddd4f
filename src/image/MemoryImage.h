#pragma once

#include <span>

#include "image/ImageBytes.h"

namespace kestrovane {

// An image held in a buffer that the caller owns (an upload's block buffer, bytes read
// back from the EEPROM). Made from read-only bytes it refuses every write.
class MemoryImage final : public ImageBytes {
public:
    explicit MemoryImage(std::span<uint8_t> bytes);
    explicit MemoryImage(std::span<const uint8_t> bytes);

    std::size_t Size() const override;
    bool Read(std::size_t offset, std::span<uint8_t> out) const override;
    WriteStatus Write(std::size_t offset, std::span<const uint8_t> data) override;

private:
    std::span<const uint8_t> bytes_;
    uint8_t* writable_ = nullptr;
};

}  // namespace kestrovane
