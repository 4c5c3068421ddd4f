#include "cli/ImageFields.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "registers/HexText.h"

namespace kestrovane::cli {

namespace {

using Kind = ImageField::Kind;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

constexpr std::pair<std::string_view, Kind> kPlainFields[] = {
    {"frequency", Kind::Frequency},     {"upside-down", Kind::UpsideDown},
    {"vendor-id", Kind::VendorId},      {"product-id", Kind::ProductId},
    {"description", Kind::Description}, {"bin-version", Kind::BinVersion},
    {"hw-version", Kind::HwVersion},
};

constexpr std::pair<std::string_view, Kind> kValueSuffixes[] = {
    {"default", Kind::Default},
    {"min", Kind::Minimum},
    {"max", Kind::Maximum},
};

std::optional<int64_t> DecimalNumber(std::string_view text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::string ParameterKey(PictureParameter parameter) {
    return Lower(PictureParameterName(parameter));
}

std::optional<ImageField> ImageFieldNamed(std::string_view name) {
    const std::string lower = Lower(name);
    for (const auto& [fieldName, kind] : kPlainFields) {
        if (lower == fieldName) return ImageField{kind};
    }
    for (PictureParameter parameter : kPictureParameters) {
        for (const auto& [suffix, kind] : kValueSuffixes) {
            if (lower == ParameterKey(parameter) + "." + std::string(suffix)) {
                // Hue has no default in either layout.
                if (parameter == PictureParameter::Hue && kind == Kind::Default) continue;
                return ImageField{kind, parameter};
            }
        }
    }
    return std::nullopt;
}

std::string ImageFieldNames() {
    std::string names;
    for (PictureParameter parameter : kPictureParameters) {
        for (const auto& [suffix, kind] : kValueSuffixes) {
            if (parameter == PictureParameter::Hue && kind == Kind::Default) continue;
            names += ParameterKey(parameter) + "." + std::string(suffix) + " ";
        }
    }
    for (const auto& [fieldName, kind] : kPlainFields) names += std::string(fieldName) + " ";
    names.pop_back();
    return names;
}

ImageEdits EditsOf(const OpenedImage& opened) {
    ImageEdits edits;
    for (PictureParameter parameter : kPictureParameters) {
        const OpenedParameter& values = opened[parameter];
        edits[parameter] = {values.defaultValue.value_or(0), values.minimum.value_or(0),
                            values.maximum.value_or(0)};
    }
    edits.frequencyChoice = FrequencyChoiceOf(opened.frequencyCode);
    edits.upsideDown = opened.upsideDown.value_or(false);
    if (opened.vendorId) edits.vendorId = *opened.vendorId;
    if (opened.productId) edits.productId = *opened.productId;
    edits.description = opened.description.value_or("");
    edits.binVersion = opened.binVersion.value_or("");
    edits.hwVersion = opened.hwVersion.value_or("");
    return edits;
}

std::optional<std::string> ApplyAssignment(const OpenedImage& opened, ImageEdits& edits,
                                           std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        std::string refused(1, '"');
        refused.append(assignment).append("\" is no FIELD=VALUE assignment");
        return refused;
    }
    const std::string_view name = assignment.substr(0, equals);
    const std::string_view value = assignment.substr(equals + 1);
    const std::optional<ImageField> field = ImageFieldNamed(name);
    if (!field) {
        return "There is no field \"" + std::string(name) +
               "\"; the fields are: " + ImageFieldNames();
    }
    const bool large = opened.layout == ImageLayout::Large;
    switch (field->kind) {
        case Kind::Default:
        case Kind::Minimum:
        case Kind::Maximum: {
            const OpenedParameter& shown = opened[field->parameter];
            const std::optional<int> current = field->kind == Kind::Default   ? shown.defaultValue
                                               : field->kind == Kind::Minimum ? shown.minimum
                                                                              : shown.maximum;
            if (!current) {
                if (!large && field->kind != Kind::Default) {
                    return std::string(name) + ": the small layout has no minimum or maximum";
                }
                if (large && !shown.supported) {
                    return std::string(name) + ": the image marks " +
                           ParameterKey(field->parameter) + " as not supported";
                }
                return std::string(name) + ": the file is too short for it";
            }
            const std::optional<int64_t> number = DecimalNumber(value);
            if (!number)
                return std::string(name) + ": \"" + std::string(value) +
                       "\" is not a decimal number";
            EditedParameter& edited = edits[field->parameter];
            (field->kind == Kind::Default   ? edited.defaultValue
             : field->kind == Kind::Minimum ? edited.minimum
                                            : edited.maximum) = *number;
            return std::nullopt;
        }
        case Kind::Frequency: {
            if (!opened.frequencySupported) {
                return std::string(
                    "frequency: the image marks the power-line frequency as not "
                    "supported");
            }
            const std::string lower = Lower(value);
            if (lower == "50hz" || lower == "50") {
                edits.frequencyChoice = 0;
            } else if (lower == "60hz" || lower == "60") {
                edits.frequencyChoice = 1;
            } else {
                return "frequency: \"" + std::string(value) + "\" is neither 50hz nor 60hz";
            }
            return std::nullopt;
        }
        case Kind::UpsideDown: {
            if (!large || !opened.upsideDown) {
                return std::string("upside-down: only the large layout (24C64, 24C128) has it");
            }
            const std::string lower = Lower(value);
            if (lower == "yes" || lower == "true" || lower == "1") {
                edits.upsideDown = true;
            } else if (lower == "no" || lower == "false" || lower == "0") {
                edits.upsideDown = false;
            } else {
                return "upside-down: \"" + std::string(value) + "\" is neither yes nor no";
            }
            return std::nullopt;
        }
        case Kind::VendorId:
            edits.vendorId = ParseHexText(value);
            return std::nullopt;
        case Kind::ProductId:
            edits.productId = ParseHexText(value);
            return std::nullopt;
        case Kind::Description:
            edits.description = std::string(value);
            return std::nullopt;
        case Kind::BinVersion:
            edits.binVersion = std::string(value);
            return std::nullopt;
        case Kind::HwVersion:
            edits.hwVersion = std::string(value);
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kestrovane::cli
