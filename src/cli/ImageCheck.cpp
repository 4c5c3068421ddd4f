#include "cli/FileReason.h"
#include "cli/ImageCheck.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/ImageFields.h"
#include "cli/ImageNames.h"
#include "files/Utf8Path.h"
#include "image/DeviceDescription.h"
#include "image/HeaderFields.h"
#include "image/ImageEditorOpen.h"
#include "image/ImageEditorTexts.h"
#include "image/ImageFile.h"
#include "image/LengthRules.h"
#include "image/VersionText.h"
#include "upload/OutcomeTexts.h"
#include "upload/UploadImage.h"

namespace kestrovane::cli {

namespace {

using Check = ImageCheckLine;

bool Printable(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

Check SizeCheck(const ImageRequest& request) {
    const UploadImage image = LoadUploadImage(request.image, request.eeprom);
    const std::string type(EepromTypeName(request.eeprom));
    if (image.status == ImageLoadStatus::Ok) {
        return {"size", true,
                std::to_string(image.fileLength) + " bytes fit the " + type + " (" +
                    std::to_string(UploadCapacity(request.eeprom)) + " bytes), " +
                    std::to_string(image.BlockCount()) + " blocks of " +
                    std::to_string(image.blockSize)};
    }
    UploadOutcome refused;
    refused.step = UploadStep::LoadImage;
    refused.imageStatus = image.status;
    refused.fileLength = image.fileLength;
    refused.capacity = UploadCapacity(request.eeprom);
    return {"size", false, SingleRunText(refused)->text};
}

Check LayoutCheck(const ImageBytes& file, ImageLayout layout) {
    const std::optional<uint8_t> base = readParameterBase(file);
    const LengthCheck length = checkImageLength(file.Size(), layout, base.value_or(0));
    const bool large = layout == ImageLayout::Large;
    switch (length) {
        case LengthCheck::ShorterThanHeader:
            return {"layout", false,
                    std::string(EditorOpenFailureText(EditorOpenStatus::ShorterThanHeader))};
        case LengthCheck::ShorterThanParameterBlock:
            return {
                "layout", false,
                std::string(EditorOpenFailureText(EditorOpenStatus::ShorterThanParameterBlock)) +
                    ": the large layout needs " + std::to_string(kMinimumLargeImageLength) +
                    " bytes"};
        case LengthCheck::Acceptable:
            break;
    }
    if (!large) return {"layout", true, "small layout: the header and the one-byte defaults"};
    char text[64];
    std::snprintf(text, sizeof text, "large layout: parameter block at 0x%02X", *base);
    return {"layout", true, text};
}

Check VersionCheck(const ImageBytes& file, VersionField field) {
    const std::string name = field == VersionField::Bin ? "bin-version" : "hw-version";
    const std::optional<std::string> text = readVersionText(file, field);
    if (!text) return {name, false, "the file ends before the version field"};
    if (!Printable(*text)) return {name, false, "the text holds control characters"};
    return {name, true, text->empty() ? std::string("(empty)") : "\"" + *text + "\""};
}

Check DescriptionCheck(const ImageBytes& file, ImageLayout layout) {
    const std::optional<std::string> text = readDeviceDescription(file);
    const std::optional<IdentityFlags> identity = readIdentityFlags(file);
    const bool inUse = layout == ImageLayout::Large && identity && identity->descriptionInUse;
    if (!text) {
        return {"description", !inUse,
                inUse ? "the description is in use but its record runs past the end"
                      : "no record within the file (not in use)"};
    }
    if (!Printable(*text)) return {"description", false, "the text holds control characters"};
    return {"description", true, "\"" + *text + "\"" + (inUse ? " (in use)" : "")};
}

// In the large layout each supported parameter's default lies within its
// limits, and the minimum is not above the maximum.
std::vector<Check> ParameterChecks(const OpenedImage& image) {
    std::vector<Check> checks;
    if (image.layout != ImageLayout::Large) return checks;
    for (PictureParameter parameter : kPictureParameters) {
        const OpenedParameter& values = image[parameter];
        if (!values.supported || !values.minimum || !values.maximum) continue;
        Check check{ParameterKey(parameter), true, {}};
        check.detail =
            "min " + std::to_string(*values.minimum) + ", max " + std::to_string(*values.maximum);
        if (values.defaultValue) {
            check.detail = "default " + std::to_string(*values.defaultValue) + ", " + check.detail;
        }
        if (*values.minimum > *values.maximum) {
            check.ok = false;
            check.detail += ": the minimum is above the maximum";
        } else if (values.defaultValue && (*values.defaultValue < *values.minimum ||
                                           *values.defaultValue > *values.maximum)) {
            check.ok = false;
            check.detail += ": the default lies outside the limits";
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

}  // namespace

std::optional<std::vector<ImageCheckLine>> RunImageChecks(const ImageRequest& request) {
    const std::optional<ImageFile> file = ImageFile::OpenForReading(
        PathFromUtf8(request.image));
    if (!file) return std::nullopt;
    const ImageLayout layout = imageLayoutOf(request.eeprom);
    std::vector<Check> checks{SizeCheck(request), LayoutCheck(*file, layout)};
    if (checks.back().ok) {
        checks.push_back(VersionCheck(*file, VersionField::Bin));
        checks.push_back(VersionCheck(*file, VersionField::Hw));
        checks.push_back(DescriptionCheck(*file, layout));
        const EditorOpenResult opened =
            OpenImageForEditing(request.image, request.eeprom, request.chip);
        if (opened.status == EditorOpenStatus::Opened) {
            for (Check& check : ParameterChecks(opened.image)) checks.push_back(std::move(check));
        }
    }
    return checks;
}

ExitCode CheckImageFile(Output& output, const ImageRequest& request) {
    const std::optional<std::vector<Check>> checked = RunImageChecks(request);
    if (!checked) {
        output.Error("Open File Error");
        output.Hint(CannotReadText("The image", request.image));
        return ExitCode::BadInput;
    }
    const std::vector<Check>& checks = *checked;

    Json json = Json::array();
    bool allOk = true;
    for (const Check& check : checks) {
        std::string name = check.name;
        name.resize(std::max<std::size_t>(name.size() + 1, 13), ' ');
        output.Line(std::string(check.ok ? "ok    " : "FAIL  ") + name + check.detail);
        json.push_back({{"name", check.name}, {"ok", check.ok}, {"detail", check.detail}});
        allOk = allOk && check.ok;
    }
    output.Document()["image"] = request.image;
    output.Document()["eeprom"] = std::string(EepromTypeName(request.eeprom));
    output.Document()["checks"] = json;
    output.Document()["ok"] = allOk;
    if (!allOk)
        output.Error("The image fails the checks for the " +
                     std::string(EepromTypeName(request.eeprom)) + ".");
    return allOk ? ExitCode::Done : ExitCode::Failed;
}

bool UploadImagePassesChecks(Output& output, const UploadRequest& request) {
    ImageRequest image;
    image.action = ImageRequest::Action::Check;
    image.image = request.image;
    image.eeprom = request.eeprom;
    image.chip = request.chip;
    const std::optional<std::vector<Check>> checks = RunImageChecks(image);
    if (!checks) return true;  // the load that follows names the unreadable file
    std::vector<std::string> failures;
    for (const Check& check : *checks) {
        if (!check.ok) failures.push_back(check.name + ": " + check.detail);
    }
    if (failures.empty()) return true;
    const std::string type(EepromTypeName(request.eeprom));
    if (request.force) {
        for (const std::string& failure : failures) {
            output.Notice("The image fails a check (--force given): " + failure);
        }
        return true;
    }
    output.Error("The image fails the checks for the " + type + "; nothing was written.");
    for (const std::string& failure : failures) output.Error("FAIL  " + failure);
    output.Hint("See `kestrovane-cli image check IMAGE --eeprom " + type +
                "`; give --force to write it all the same.");
    Json reasons = Json::array();
    for (const std::string& failure : failures) reasons.push_back(failure);
    output.Document()["imageChecks"] = reasons;
    return false;
}

}  // namespace kestrovane::cli
