#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/EepromType.h"
#include "image/HeaderFields.h"
#include "image/ParameterOffsets.h"

namespace kestrovane {

// The fields of the image parameter editor: what an open found in an image
// file, and what the user asks a save to store. A field that lies past the end
// of the file is not read and holds nothing.

// One picture parameter as an open found it.
struct OpenedParameter {
    // Large: the image's support bit. Small: the parameter has a default byte
    // (every one but Hue).
    bool supported = false;
    std::optional<int> defaultValue;  // never for Hue
    std::optional<int> minimum;       // Large only
    std::optional<int> maximum;       // Large only
};

struct OpenedImage {
    std::string path;  // UTF-8
    EepromType eepromType = kNoEepromType;
    ImageLayout layout = ImageLayout::Small;
    // Large: the chip revision whose parameter table the open used; a save
    // writes with the same table.
    ChipRevision revision = ChipRevision::Kv5;
    std::array<OpenedParameter, kPictureParameters.size()> parameters;
    bool frequencySupported = false;
    // 1 (50 Hz), 2 (60 Hz) or any other code the image holds.
    std::optional<uint8_t> frequencyCode;
    std::optional<bool> upsideDown;         // Large only
    std::optional<IdentityFlags> identity;  // Large only
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    // The texts are the image's 8-bit characters, as the file holds them.
    std::optional<std::string> description;
    std::optional<std::string> binVersion;
    std::optional<std::string> hwVersion;

    const OpenedParameter& operator[](PictureParameter parameter) const {
        return parameters[static_cast<std::size_t>(parameter)];
    }
};

// What the user asks a save to store. Numbers are kept as typed, so that a
// value out of its field's range is refused instead of cut.
struct EditedParameter {
    int64_t defaultValue = 0;
    int64_t minimum = 0;
    int64_t maximum = 0;
};

struct ImageEdits {
    std::array<EditedParameter, kPictureParameters.size()> parameters;
    // The frequency choice: 0 "50hz" (code 1), 1 "60hz" (code 2), -1 none,
    // which keeps the code the image holds.
    int frequencyChoice = -1;
    bool upsideDown = false;
    // Nothing when the text held no hexadecimal number.
    std::optional<uint64_t> vendorId;
    std::optional<uint64_t> productId;
    // The image's 8-bit characters (a front end converts what it shows).
    std::string description;
    std::string binVersion;
    std::string hwVersion;

    EditedParameter& operator[](PictureParameter parameter) {
        return parameters[static_cast<std::size_t>(parameter)];
    }
    const EditedParameter& operator[](PictureParameter parameter) const {
        return parameters[static_cast<std::size_t>(parameter)];
    }
};

// "Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "Gamma".
std::string_view PictureParameterName(PictureParameter parameter);

// The frequency choice of a code (1 → 0, 2 → 1, others → -1) and back.
int FrequencyChoiceOf(std::optional<uint8_t> code);
std::optional<uint8_t> FrequencyCodeOf(int choice);

}  // namespace kestrovane
