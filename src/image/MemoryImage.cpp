#include "image/MemoryImage.h"

#include <algorithm>

namespace kestrovane {

MemoryImage::MemoryImage(std::span<uint8_t> bytes) : bytes_(bytes), writable_(bytes.data()) {}

MemoryImage::MemoryImage(std::span<const uint8_t> bytes) : bytes_(bytes) {}

std::size_t MemoryImage::Size() const {
    return bytes_.size();
}

bool MemoryImage::Read(std::size_t offset, std::span<uint8_t> out) const {
    if (!fitsWithin(offset, out.size(), bytes_.size())) return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

WriteStatus MemoryImage::Write(std::size_t offset, std::span<const uint8_t> data) {
    if (!fitsWithin(offset, data.size(), bytes_.size())) return WriteStatus::BeyondEnd;
    if (writable_ == nullptr) return WriteStatus::Failed;
    std::copy(data.begin(), data.end(), writable_ + offset);
    return WriteStatus::Written;
}

}  // namespace kestrovane
