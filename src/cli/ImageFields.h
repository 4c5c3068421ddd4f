#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/ImageEditorFields.h"

namespace kestrovane::cli {

// The fields `image set` can change, named as `image show` lists them.
struct ImageField {
    enum class Kind {
        Default,
        Minimum,
        Maximum,
        Frequency,
        UpsideDown,
        VendorId,
        ProductId,
        Description,
        BinVersion,
        HwVersion,
    };
    Kind kind = Kind::Default;
    PictureParameter parameter = PictureParameter::Brightness;  // the three number kinds
};

// "brightness.default", "hue.min", "gamma.max", "frequency", "upside-down",
// "vendor-id", "product-id", "description", "bin-version", "hw-version".
std::optional<ImageField> ImageFieldNamed(std::string_view name);
// Every name ImageFieldNamed knows, for the help text.
std::string ImageFieldNames();

// "brightness", "contrast", "hue", ...
std::string ParameterKey(PictureParameter parameter);

// Applies FIELD=VALUE to `edits` (which hold the image's values as opened):
// numbers in decimal, ids in hexadecimal as the dialog reads them, the
// frequency as 50hz or 60hz, upside-down as yes or no. The value ranges are
// left to the editor's save, which checks the whole save before it writes.
// Returns why the assignment cannot be taken, or nothing when it was.
std::optional<std::string> ApplyAssignment(const OpenedImage& opened, ImageEdits& edits,
                                           std::string_view assignment);

// The edits that write back what `opened` holds.
ImageEdits EditsOf(const OpenedImage& opened);

}  // namespace kestrovane::cli
