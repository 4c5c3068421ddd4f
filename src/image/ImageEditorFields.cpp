#include "image/ImageEditorFields.h"

#include "image/FieldOffsets.h"

namespace kestrovane {

std::string_view PictureParameterName(PictureParameter parameter) {
    switch (parameter) {
        case PictureParameter::Brightness:
            return "Brightness";
        case PictureParameter::Contrast:
            return "Contrast";
        case PictureParameter::Hue:
            return "Hue";
        case PictureParameter::Saturation:
            return "Saturation";
        case PictureParameter::Sharpness:
            return "Sharpness";
        case PictureParameter::Gamma:
            return "Gamma";
    }
    return "Parameter";
}

int FrequencyChoiceOf(std::optional<uint8_t> code) {
    if (code == kPowerLineCode50Hz) return 0;
    if (code == kPowerLineCode60Hz) return 1;
    return -1;
}

std::optional<uint8_t> FrequencyCodeOf(int choice) {
    if (choice == 0) return kPowerLineCode50Hz;
    if (choice == 1) return kPowerLineCode60Hz;
    return std::nullopt;
}

}  // namespace kestrovane
