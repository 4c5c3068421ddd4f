// image show, set and check: the image editor's model on the command line.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/Commands.h"
#include "cli/FileReason.h"
#include "cli/ImageCheck.h"
#include "cli/ImageFields.h"
#include "cli/ImageNames.h"
#include "cli/TerminalText.h"
#include "files/FileReplacement.h"
#include "files/Utf8Path.h"
#include "image/ByteAccess.h"
#include "image/ImageEditorOpen.h"
#include "image/ImageEditorSave.h"
#include "image/ImageEditorTexts.h"
#include "image/ImageFile.h"

namespace kestrovane::cli {

namespace {

namespace fs = std::filesystem;
using Action = ImageRequest::Action;

std::string IdText(std::optional<uint16_t> id) {
    if (!id) return "-";
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(*id));
    return text;
}

std::string ValueText(std::optional<int> value) {
    return value ? std::to_string(*value) : std::string("-");
}

std::string YesNo(std::optional<bool> value) {
    return value ? (*value ? "yes" : "no") : "-";
}

std::string FrequencyText(const OpenedImage& image) {
    if (!image.frequencySupported) return "unsupported";
    if (!image.frequencyCode) return "-";
    switch (FrequencyChoiceOf(image.frequencyCode)) {
        case 0:
            return "50hz";
        case 1:
            return "60hz";
        default:
            return "code " + std::to_string(*image.frequencyCode);
    }
}

std::string MarkerText(std::optional<uint8_t> marker) {
    if (!marker) return "-";
    char text[8];
    if (*marker >= 0x20 && *marker < 0x7F) {
        std::snprintf(text, sizeof text, "%c", *marker);
    } else {
        std::snprintf(text, sizeof text, "0x%02X", *marker);
    }
    return text;
}

Json Optional(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}
Json Optional(std::optional<int> value) {
    return value ? Json(*value) : Json(nullptr);
}
Json Optional(std::optional<bool> value) {
    return value ? Json(*value) : Json(nullptr);
}

void Row(Output& output, std::string_view name, const std::string& value) {
    std::string line(name);
    line.resize(std::max<std::size_t>(line.size() + 1, 20), ' ');
    output.Line(line + value);
}

std::optional<OpenedImage> Open(Output& output, const ImageRequest& request) {
    const EditorOpenResult opened =
        OpenImageForEditing(request.image, request.eeprom, request.chip);
    if (opened.status == EditorOpenStatus::Opened) return opened.image;
    output.Error(EditorOpenFailureText(opened.status));
    if (opened.status == EditorOpenStatus::CannotOpen) {
        output.Hint(CannotReadText("The image", request.image));
    } else {
        output.Hint("The file is too short for the layout of " +
                    std::string(EepromTypeName(request.eeprom)) + "; see --eeprom.");
    }
    return std::nullopt;
}

std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

ExitCode Show(Output& output, const ImageRequest& request) {
    const std::optional<OpenedImage> opened = Open(output, request);
    if (!opened) return ExitCode::BadInput;
    const OpenedImage& image = *opened;
    const std::optional<ImageFile> file = ImageFile::OpenForReading(PathFromUtf8(request.image));
    const std::size_t length = file ? file->Size() : 0;
    const std::optional<uint8_t> marker = file ? readByte(*file, 0) : std::nullopt;
    const bool large = image.layout == ImageLayout::Large;
    const std::string layout = std::string(large ? "large" : "small") + " (" +
                               std::string(EepromTypeName(request.eeprom)) +
                               (large ? ", chip " + std::string(ChipName(request.chip)) : "") + ")";

    Row(output, "image", request.image);
    Row(output, "length", std::to_string(length) + " bytes");
    Row(output, "layout", layout);
    Row(output, "marker", MarkerText(marker));
    Row(output, "vendor-id", IdText(image.vendorId));
    Row(output, "product-id", IdText(image.productId));
    Row(output, "description", image.description ? Quoted(TerminalSafe(*image.description)) : "-");
    Row(output, "bin-version", image.binVersion ? TerminalSafe(*image.binVersion) : "-");
    Row(output, "hw-version", image.hwVersion ? TerminalSafe(*image.hwVersion) : "-");
    if (large) {
        const IdentityFlags identity = image.identity.value_or(IdentityFlags{});
        Row(output, "ids-in-use",
            YesNo(image.identity ? std::optional(identity.idsInUse) : std::nullopt));
        Row(output, "description-in-use",
            YesNo(image.identity ? std::optional(identity.descriptionInUse) : std::nullopt));
        Row(output, "upside-down", YesNo(image.upsideDown));
    }
    Row(output, "frequency", FrequencyText(image));

    Json parameters = Json::object();
    for (PictureParameter parameter : kPictureParameters) {
        const OpenedParameter& values = image[parameter];
        Json json = Json::object();
        json["supported"] = values.supported;
        json["default"] = Optional(values.defaultValue);
        json["min"] = Optional(values.minimum);
        json["max"] = Optional(values.maximum);
        parameters[ParameterKey(parameter)] = json;
        if (!values.supported) {
            Row(output, ParameterKey(parameter), "unsupported");
            continue;
        }
        std::string text;
        if (parameter != PictureParameter::Hue) text = "default " + ValueText(values.defaultValue);
        if (large) {
            if (!text.empty()) text += ", ";
            text += "min " + ValueText(values.minimum) + ", max " + ValueText(values.maximum);
        }
        Row(output, ParameterKey(parameter), text);
    }

    Json& document = output.Document();
    document["image"] = request.image;
    document["length"] = length;
    document["layout"] = large ? "large" : "small";
    document["eeprom"] = std::string(EepromTypeName(request.eeprom));
    document["chip"] = large ? Json(std::string(ChipName(request.chip))) : Json(nullptr);
    document["marker"] = marker ? Json(MarkerText(marker)) : Json(nullptr);
    document["vendorId"] = image.vendorId ? Json(IdText(image.vendorId)) : Json(nullptr);
    document["productId"] = image.productId ? Json(IdText(image.productId)) : Json(nullptr);
    document["description"] = Optional(image.description);
    document["binVersion"] = Optional(image.binVersion);
    document["hwVersion"] = Optional(image.hwVersion);
    document["idsInUse"] = image.identity ? Json(image.identity->idsInUse) : Json(nullptr);
    document["descriptionInUse"] =
        image.identity ? Json(image.identity->descriptionInUse) : Json(nullptr);
    document["upsideDown"] = Optional(image.upsideDown);
    document["frequency"] = {
        {"supported", image.frequencySupported},
        {"code", image.frequencyCode ? Json(*image.frequencyCode) : Json(nullptr)},
        {"choice",
         FrequencyChoiceOf(image.frequencyCode) < 0 ? Json(nullptr) : Json(FrequencyText(image))}};
    document["parameters"] = parameters;
    return ExitCode::Done;
}

// The save goes into a copy beside the image, which then takes the image's
// place: the image is either wholly the old one or wholly the new one, even
// when the disk fills up or the program is stopped half-way. The copy is a
// file of its own (FileReplacement): no other file beside the image is
// touched.
class ReplacingImageCopy {
public:
    explicit ReplacingImageCopy(const std::string& image) : target_(PathFromUtf8(image)) {}

    bool Create() {
        const std::optional<std::vector<uint8_t>> bytes = readWholeFile(target_);
        return bytes && replacement_.Begin(target_) && replacement_.Write(*bytes);
    }
    std::string Path() const {
        const std::u8string path = replacement_.TemporaryPath().u8string();
        return std::string(path.begin(), path.end());
    }
    bool Place() { return replacement_.Commit(); }

private:
    fs::path target_;
    FileReplacement replacement_;
};

// Texts in an image are shown by other programs and on terminals: a control
// character in one is refused.
std::optional<std::string> ControlCharacterRefusal(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string field = assignment.substr(0, equals);
    if (field != "bin-version" && field != "hw-version" && field != "description") {
        return std::nullopt;
    }
    for (const char c : assignment.substr(equals + 1)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return field + " may not hold control characters (" + TerminalSafe(std::string(1, c)) +
                   ")";
        }
    }
    return std::nullopt;
}

// The first check that the edited copy at `copyPath` fails and the image as
// it was passed (a check the image failed already is not the edit's doing).
std::optional<std::string> NewCheckFailure(const ImageRequest& request,
                                           const std::string& copyPath) {
    const std::optional<std::vector<ImageCheckLine>> before = RunImageChecks(request);
    ImageRequest edited = request;
    edited.image = copyPath;
    const std::optional<std::vector<ImageCheckLine>> after = RunImageChecks(edited);
    if (!after) return std::string("the edited copy cannot be read");
    for (const ImageCheckLine& check : *after) {
        if (check.ok) continue;
        const bool failedBefore =
            before && std::any_of(before->begin(), before->end(), [&](const ImageCheckLine& old) {
                return old.name == check.name && !old.ok;
            });
        if (!failedBefore) return check.name + ": " + check.detail;
    }
    return std::nullopt;
}

ExitCode Set(Output& output, const ImageRequest& request) {
    const std::optional<OpenedImage> opened = Open(output, request);
    if (!opened) return ExitCode::BadInput;
    ImageEdits edits = EditsOf(*opened);
    for (const std::string& assignment : request.assignments) {
        if (const std::optional<std::string> refused = ControlCharacterRefusal(assignment)) {
            output.Error(*refused + "; nothing was written.");
            return ExitCode::BadInput;
        }
        if (const std::optional<std::string> refused =
                ApplyAssignment(*opened, edits, assignment)) {
            output.Error(*refused + "; nothing was written.");
            return ExitCode::BadInput;
        }
    }

    ReplacingImageCopy copy(request.image);
    if (!copy.Create()) {
        output.Error("Writing the file failed: " + request.image);
        output.Hint("A copy of the image could not be made beside it.");
        return ExitCode::Failed;
    }
    // The copy is opened as the image was, so the save writes in the same layout.
    OpenedImage inCopy = *opened;
    inCopy.path = copy.Path();
    ImageSave save = ImageSave::Prepare(inCopy, edits);
    if (save.Refusal()) {
        output.Error(EditorSaveRefusalText(*save.Refusal()));
        return ExitCode::BadInput;
    }
    const std::size_t planned = save.PlannedBytes();
    if (!save.Commit()) {
        output.Error("Writing the file failed: " + request.image);
        return ExitCode::Failed;
    }
    // The tool refuses to upload an image that fails `image check`; an edit
    // that would make one is refused here instead, the image left as it was.
    if (const std::optional<std::string> failed = NewCheckFailure(request, copy.Path())) {
        output.Error("The new values fail a check of `image check`: " + *failed +
                     "; nothing was written.");
        return ExitCode::BadInput;
    }
    if (!copy.Place()) {
        output.Error("Writing the file failed: " + request.image);
        return ExitCode::Failed;
    }
    output.Document()["image"] = request.image;
    output.Document()["bytesWritten"] = planned;
    output.Notice("Write finished");
    return ExitCode::Done;
}

}  // namespace

ExitCode RunImage(Output& output, const ImageRequest& request) {
    switch (request.action) {
        case Action::Show:
            return Show(output, request);
        case Action::Set:
            return Set(output, request);
        case Action::Check:
            break;
    }
    return CheckImageFile(output, request);
}

}  // namespace kestrovane::cli
