#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/EepromType.h"
#include "image/ImageBytes.h"
#include "image/ParameterOffsets.h"

namespace kestrovane {

// One picture parameter's values in the Large layout's parameter block.
struct ParameterValues {
    std::optional<int> defaultValue;  // never present for Hue
    int minimum = 0;
    int maximum = 0;

    friend bool operator==(const ParameterValues&, const ParameterValues&) = default;
};

// Reads a parameter at base + the table's offsets: unsigned 16-bit values, Hue's limits
// signed (0x80 0xFF reads as -128). Nothing when any of its values lies past the end.
std::optional<ParameterValues> readParameter(const ImageBytes& image, uint8_t base,
                                             const ParameterOffsets& offsets,
                                             PictureParameter parameter);

// Writes the low 16 bits of the default (when the parameter has one and a value is
// given), the minimum and the maximum, in that order. Nothing is written unless every
// one of them lies inside the image.
WriteStatus writeParameter(ImageBytes& image, uint8_t base, const ParameterOffsets& offsets,
                           PictureParameter parameter, const ParameterValues& values);

// The one-byte default of the Small layout (41 to 45); Hue has none.
std::optional<std::size_t> smallDefaultOffset(PictureParameter parameter);

// Where the one-byte power-line frequency code lies in either layout (base and offsets
// matter only for Large).
std::size_t powerLineCodeOffset(ImageLayout layout, uint8_t base, const ParameterOffsets& offsets);

}  // namespace kestrovane
