#include "image/DeviceDescription.h"

#include <vector>

#include "image/ByteAccess.h"
#include "image/FieldOffsets.h"

namespace kestrovane {

std::optional<std::string> readDeviceDescription(const ImageBytes& image) {
    const auto recordOffset = readByte(image, kDescriptionOffsetOffset);
    if (!recordOffset) return std::nullopt;
    const auto length = readByte(image, *recordOffset);
    if (!length) return std::nullopt;
    std::string text(*length, '\0');
    if (!image.Read(std::size_t{*recordOffset} + 1,
                    std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()))) {
        return std::nullopt;
    }
    return text;
}

WriteStatus writeDeviceDescription(ImageBytes& image, std::string_view text) {
    if (text.size() > kMaximumDescriptionLength) return WriteStatus::TooLong;
    const auto recordOffset = readByte(image, kDescriptionOffsetOffset);
    if (!recordOffset) return WriteStatus::BeyondEnd;
    std::vector<uint8_t> record;
    record.reserve(text.size() + 1);
    record.push_back(static_cast<uint8_t>(text.size()));
    record.insert(record.end(), text.begin(), text.end());
    return image.Write(*recordOffset, record);
}

}  // namespace kestrovane
