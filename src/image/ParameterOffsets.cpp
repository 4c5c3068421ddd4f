#include "image/ParameterOffsets.h"

#include "image/FieldOffsets.h"

namespace kestrovane {
namespace {

constexpr ParameterOffsets kKv2ToKv4Offsets{
    {{
        {0x94, 0x8F, 0x91},          // Brightness
        {0x9B, 0x96, 0x98},          // Contrast
        {std::nullopt, 0xA6, 0xA8},  // Hue
        {0xB4, 0xAF, 0xB1},          // Saturation
        {0xBB, 0xB6, 0xB8},          // Sharpness
        {0xC2, 0xBD, 0xBF},          // Gamma
    }},
    0xA5,
};

constexpr ParameterOffsets kKv5Offsets{
    {{
        {0x78, 0x73, 0x75},          // Brightness
        {0x7F, 0x7A, 0x7C},          // Contrast
        {std::nullopt, 0x8A, 0x8C},  // Hue
        {0x98, 0x93, 0x95},          // Saturation
        {0x9F, 0x9A, 0x9C},          // Sharpness
        {0xA8, 0xA1, 0xA3},          // Gamma
    }},
    0x89,
};

}  // namespace

const ParameterOffsets& parameterOffsetsOf(ChipRevision revision) {
    return revision == ChipRevision::Kv5 ? kKv5Offsets : kKv2ToKv4Offsets;
}

int supportBitOf(PictureParameter parameter) {
    switch (parameter) {
        case PictureParameter::Brightness:
            return kSupportBitBrightness;
        case PictureParameter::Contrast:
            return kSupportBitContrast;
        case PictureParameter::Hue:
            return kSupportBitHue;
        case PictureParameter::Saturation:
            return kSupportBitSaturation;
        case PictureParameter::Sharpness:
            return kSupportBitSharpness;
        case PictureParameter::Gamma:
            return kSupportBitGamma;
    }
    return kSupportBitBrightness;
}

}  // namespace kestrovane
