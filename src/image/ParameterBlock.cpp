#include "image/ParameterBlock.h"

#include <algorithm>

#include "image/ByteAccess.h"
#include "image/FieldOffsets.h"

namespace kestrovane {
namespace {

int asParameterValue(uint16_t raw, PictureParameter parameter) {
    return isSignedParameter(parameter) ? static_cast<int>(static_cast<int16_t>(raw))
                                        : static_cast<int>(raw);
}

}  // namespace

std::optional<ParameterValues> readParameter(const ImageBytes& image, uint8_t base,
                                             const ParameterOffsets& offsets,
                                             PictureParameter parameter) {
    const ParameterLocation& location = offsets[parameter];
    ParameterValues values;
    if (location.defaultValue) {
        const auto raw = readLe16(image, std::size_t{base} + *location.defaultValue);
        if (!raw) return std::nullopt;
        values.defaultValue = asParameterValue(*raw, parameter);
    }
    const auto minimum = readLe16(image, std::size_t{base} + location.minimum);
    const auto maximum = readLe16(image, std::size_t{base} + location.maximum);
    if (!minimum || !maximum) return std::nullopt;
    values.minimum = asParameterValue(*minimum, parameter);
    values.maximum = asParameterValue(*maximum, parameter);
    return values;
}

WriteStatus writeParameter(ImageBytes& image, uint8_t base, const ParameterOffsets& offsets,
                           PictureParameter parameter, const ParameterValues& values) {
    const ParameterLocation& location = offsets[parameter];
    const bool writesDefault = location.defaultValue && values.defaultValue;
    // Checked up front so that a short image is left untouched rather than half-written.
    std::size_t lastOffset = std::max(location.minimum, location.maximum);
    if (writesDefault) lastOffset = std::max<std::size_t>(lastOffset, *location.defaultValue);
    if (!fitsWithin(std::size_t{base} + lastOffset, 2, image.Size())) {
        return WriteStatus::BeyondEnd;
    }
    if (writesDefault) {
        const auto status =
            writeLe16(image, std::size_t{base} + *location.defaultValue, *values.defaultValue);
        if (status != WriteStatus::Written) return status;
    }
    const auto status = writeLe16(image, std::size_t{base} + location.minimum, values.minimum);
    if (status != WriteStatus::Written) return status;
    return writeLe16(image, std::size_t{base} + location.maximum, values.maximum);
}

std::optional<std::size_t> smallDefaultOffset(PictureParameter parameter) {
    switch (parameter) {
        case PictureParameter::Brightness:
            return kSmallBrightnessOffset;
        case PictureParameter::Contrast:
            return kSmallContrastOffset;
        case PictureParameter::Saturation:
            return kSmallSaturationOffset;
        case PictureParameter::Sharpness:
            return kSmallSharpnessOffset;
        case PictureParameter::Gamma:
            return kSmallGammaOffset;
        case PictureParameter::Hue:
            break;
    }
    return std::nullopt;
}

std::size_t powerLineCodeOffset(ImageLayout layout, uint8_t base, const ParameterOffsets& offsets) {
    if (layout == ImageLayout::Small) return kSmallPowerLineCodeOffset;
    return std::size_t{base} + offsets.powerLineFrequency;
}

}  // namespace kestrovane
