#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestrovane {

// The chip revision the image is built for; it decides where the Large layout keeps
// each picture parameter.
enum class ChipRevision { Kv2ToKv4, Kv5 };

// The picture parameters, in the order the editor reads and writes them.
enum class PictureParameter { Brightness, Contrast, Hue, Saturation, Sharpness, Gamma };
inline constexpr std::array<PictureParameter, 6> kPictureParameters{
    PictureParameter::Brightness, PictureParameter::Contrast,  PictureParameter::Hue,
    PictureParameter::Saturation, PictureParameter::Sharpness, PictureParameter::Gamma};

// Where one parameter's 16-bit values lie, relative to the parameter base B.
struct ParameterLocation {
    std::optional<uint8_t> defaultValue;  // Hue has none
    uint8_t minimum = 0;
    uint8_t maximum = 0;
};

struct ParameterOffsets {
    std::array<ParameterLocation, kPictureParameters.size()> parameters;
    uint8_t powerLineFrequency = 0;  // one byte

    const ParameterLocation& operator[](PictureParameter parameter) const {
        return parameters[static_cast<std::size_t>(parameter)];
    }
};

// The table of a revision. The firmware defines these places, irregular ones included
// (the Kv5 Gamma default lies 7 bytes after its minimum, not 5).
const ParameterOffsets& parameterOffsetsOf(ChipRevision revision);

// Hue limits are signed 16-bit values; every other parameter value is unsigned.
constexpr bool isSignedParameter(PictureParameter parameter) {
    return parameter == PictureParameter::Hue;
}

// The bit of the support word that says whether the image supports the parameter.
int supportBitOf(PictureParameter parameter);

}  // namespace kestrovane
