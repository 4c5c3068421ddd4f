// The "Bin file modify" group of the Advanced dialog: open, save and browse
// over the image editor's model.
#include <array>
#include <cstdio>
#include <tuple>

#include "app/AdvancedDialog.h"
#include "image/ImageEditorOpen.h"
#include "image/ImageEditorSave.h"
#include "image/ImageEditorTexts.h"
#include "registers/HexText.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIdYes;
using message_box::kOk;
using message_box::kYesNo;

constexpr std::string_view kBinFileFilter = "Bin files(*.bin)|*.bin|all files(*.*)|*.*||";

// The edits and the support indicator of one parameter row.
struct ParameterRow {
    PictureParameter parameter;
    int defaultEdit;
    int minEdit;
    int maxEdit;
    int supportCheck;
};

constexpr std::array<ParameterRow, 6> kParameterRows{{
    {PictureParameter::Brightness, kBrightnessDefaultEdit, kBrightnessMinEdit, kBrightnessMaxEdit,
     kBrightnessSupportCheck},
    {PictureParameter::Contrast, kContrastDefaultEdit, kContrastMinEdit, kContrastMaxEdit,
     kContrastSupportCheck},
    {PictureParameter::Hue, kHueDefaultEdit, kHueMinEdit, kHueMaxEdit, kHueSupportCheck},
    {PictureParameter::Saturation, kSaturationDefaultEdit, kSaturationMinEdit, kSaturationMaxEdit,
     kSaturationSupportCheck},
    {PictureParameter::Sharpness, kSharpnessDefaultEdit, kSharpnessMinEdit, kSharpnessMaxEdit,
     kSharpnessSupportCheck},
    {PictureParameter::Gamma, kGammaDefaultEdit, kGammaMinEdit, kGammaMaxEdit, kGammaSupportCheck},
}};

// The field behind a number edit of the parameter rows.
struct NumberField {
    uint32_t* unsignedField = nullptr;
    int32_t* signedField = nullptr;
};

NumberField FieldOf(AdvancedDialog& dialog, int controlId) {
    switch (controlId) {
        case kBrightnessDefaultEdit:
            return {&dialog.brightnessDefault};
        case kBrightnessMinEdit:
            return {&dialog.brightnessMin};
        case kBrightnessMaxEdit:
            return {&dialog.brightnessMax};
        case kContrastDefaultEdit:
            return {&dialog.contrastDefault};
        case kContrastMinEdit:
            return {&dialog.contrastMin};
        case kContrastMaxEdit:
            return {&dialog.contrastMax};
        case kHueDefaultEdit:
            return {nullptr, &dialog.hueDefault};
        case kHueMinEdit:
            return {nullptr, &dialog.hueMin};
        case kHueMaxEdit:
            return {nullptr, &dialog.hueMax};
        case kSaturationDefaultEdit:
            return {&dialog.saturationDefault};
        case kSaturationMinEdit:
            return {&dialog.saturationMin};
        case kSaturationMaxEdit:
            return {&dialog.saturationMax};
        case kSharpnessDefaultEdit:
            return {&dialog.sharpnessDefault};
        case kSharpnessMinEdit:
            return {&dialog.sharpnessMin};
        case kSharpnessMaxEdit:
            return {&dialog.sharpnessMax};
        case kGammaDefaultEdit:
            return {&dialog.gammaDefault};
        case kGammaMinEdit:
            return {&dialog.gammaMin};
        case kGammaMaxEdit:
            return {&dialog.gammaMax};
        default:
            return {};
    }
}

int64_t ValueOf(const NumberField& field) {
    if (field.unsignedField) return *field.unsignedField;
    if (field.signedField) return *field.signedField;
    return 0;
}

std::string IdText(std::optional<uint16_t> id) {
    if (!id) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(*id));
    return text;
}

}  // namespace

// --- Open ------------------------------------------------------------------------

void AdvancedDialog::OnOpenFile() {
    DialogWindow& window = Window();
    if (binFilePath.empty()) {
        window.ShowMessage("No file", std::nullopt, kOk);
        return;
    }
    const ChipRevision revision =
        window.IsItemChecked(kKv5Radio) ? ChipRevision::Kv5 : ChipRevision::Kv2ToKv4;
    const EditorOpenResult opened = OpenImageForEditing(binFilePath, eepromType, revision);
    const std::string_view failure = EditorOpenFailureText(opened.status);
    if (!failure.empty()) {
        // The fields keep what they showed, but nothing may be saved into a
        // file that was not read.
        lastOpen_.reset();
        window.ShowMessage(failure, std::nullopt, kOk);
        return;
    }
    ShowOpenedImage(opened.image);
    lastOpen_ = opened.image;
    ShowEditorFields();
}

// Each open sets every control of the group from the file it reads, so that
// nothing of an image opened before shows.
void AdvancedDialog::ShowOpenedImage(const OpenedImage& image) {
    unreadNumberEdits_.clear();
    if (image.layout == ImageLayout::Small) {
        ShowSmallLayout(image);
    } else {
        ShowLargeLayout(image);
    }
    vendorIdText = IdText(image.vendorId);
    productIdText = IdText(image.productId);
    DialogWindow& window = Window();
    shownTexts_ = {window.TextFromAnsi(image.binVersion.value_or("")),
                   window.TextFromAnsi(image.hwVersion.value_or("")),
                   window.TextFromAnsi(image.description.value_or(""))};
    binVersion = shownTexts_.binVersion;
    hwVersion = shownTexts_.hwVersion;
    deviceDescription = shownTexts_.description;
}

void AdvancedDialog::ShowParameterRow(PictureParameter parameter, const OpenedImage& image) {
    const ParameterRow& row = kParameterRows[static_cast<std::size_t>(parameter)];
    const OpenedParameter& values = image[parameter];
    DialogWindow& window = Window();
    const std::array<std::pair<int, std::optional<int>>, 3> edits{
        {{row.defaultEdit, values.defaultValue},
         {row.minEdit, values.minimum},
         {row.maxEdit, values.maximum}}};
    for (const auto& [controlId, value] : edits) {
        const NumberField field = FieldOf(*this, controlId);
        if (value) {
            if (field.unsignedField) *field.unsignedField = static_cast<uint32_t>(*value);
            if (field.signedField) *field.signedField = *value;
        } else {
            unreadNumberEdits_.insert(controlId);
        }
        window.EnableItem(controlId, value.has_value());
    }
}

void AdvancedDialog::ShowSmallLayout(const OpenedImage& image) {
    DialogWindow& window = Window();
    for (const ParameterRow& row : kParameterRows) {
        ShowParameterRow(row.parameter, image);
        window.SetItemChecked(row.supportCheck, false);
    }
    window.SetItemChecked(kFrequencySupportCheck, false);
    window.EnableItem(kFrequencyCombo, image.frequencyCode.has_value());
    frequencyCombo.Select(FrequencyChoiceOf(image.frequencyCode));
    // The small layout has no orientation and no identity flags.
    window.SetItemChecked(kUpsideDownCheck, false);
    window.EnableItem(kUpsideDownCheck, false);
    window.SetItemChecked(kIdsInUseCheck, false);
    window.SetItemChecked(kDescriptionInUseCheck, false);
    for (int id : {kVendorIdEdit, kProductIdEdit, kDeviceDescriptionEdit}) {
        window.EnableItem(id, true);
    }
}

void AdvancedDialog::ShowLargeLayout(const OpenedImage& image) {
    DialogWindow& window = Window();
    for (const ParameterRow& row : kParameterRows) {
        ShowParameterRow(row.parameter, image);
        window.SetItemChecked(row.supportCheck, image[row.parameter].supported);
    }
    window.SetItemChecked(kFrequencySupportCheck, image.frequencySupported);
    window.EnableItem(kFrequencyCombo, image.frequencySupported);
    frequencyCombo.Select(FrequencyChoiceOf(image.frequencyCode));

    window.EnableItem(kUpsideDownCheck, true);
    window.SetItemChecked(kUpsideDownCheck, image.upsideDown.value_or(false));
    const IdentityFlags identity = image.identity.value_or(IdentityFlags{});
    window.SetItemChecked(kIdsInUseCheck, identity.idsInUse);
    window.EnableItem(kVendorIdEdit, identity.idsInUse);
    window.EnableItem(kProductIdEdit, identity.idsInUse);
    window.SetItemChecked(kDescriptionInUseCheck, identity.descriptionInUse);
    window.EnableItem(kDeviceDescriptionEdit, identity.descriptionInUse);
}

// --- Save ------------------------------------------------------------------------

// The 8-bit text of a window text. One the user left as the open showed it
// is the bytes it was shown from, whatever they are; a changed one goes back
// through the code page, and one that cannot is refused naming its field.
std::optional<std::string> AdvancedDialog::ImageTextOf(const std::string& text,
                                                       const std::string& shown,
                                                       const std::optional<std::string>& opened,
                                                       const char* field, int controlId) {
    if (text == shown) return opened.value_or("");
    std::optional<std::string> bytes = Window().TextToAnsi(text);
    if (!bytes) {
        ReportSaveRefusal({EditorSaveProblem::TextNotStorable, field, {}, 0, 0});
        Window().FocusItem(controlId);
    }
    return bytes;
}

std::optional<ImageEdits> AdvancedDialog::EditsFromFields() {
    ImageEdits edits;
    for (const ParameterRow& row : kParameterRows) {
        edits[row.parameter] = {ValueOf(FieldOf(*this, row.defaultEdit)),
                                ValueOf(FieldOf(*this, row.minEdit)),
                                ValueOf(FieldOf(*this, row.maxEdit))};
    }
    edits.frequencyChoice = frequencyCombo.Selection();
    edits.upsideDown = Window().IsItemChecked(kUpsideDownCheck);
    edits.vendorId = ParseHexText(vendorIdText);
    edits.productId = ParseHexText(productIdText);
    const std::array<std::tuple<std::string*, const std::string*, const std::string*,
                                const std::optional<std::string>*, const char*, int>,
                     3>
        texts{{{&edits.binVersion, &binVersion, &shownTexts_.binVersion, &lastOpen_->binVersion,
                "bin version", kBinVersionEdit},
               {&edits.hwVersion, &hwVersion, &shownTexts_.hwVersion, &lastOpen_->hwVersion,
                "HW version", kHwVersionEdit},
               {&edits.description, &deviceDescription, &shownTexts_.description,
                &lastOpen_->description, "device description", kDeviceDescriptionEdit}}};
    for (const auto& [bytes, text, shown, opened, field, controlId] : texts) {
        std::optional<std::string> converted = ImageTextOf(*text, *shown, *opened, field, controlId);
        if (!converted) return std::nullopt;
        *bytes = std::move(*converted);
    }
    return edits;
}

void AdvancedDialog::ReportSaveRefusal(const EditorSaveRefusal& refusal) {
    const std::string text = EditorSaveRefusalText(refusal);
    // The file problems are reported as the open reports them, without a
    // caption of its own; the values the user typed as errors.
    switch (refusal.problem) {
        case EditorSaveProblem::CannotOpen:
        case EditorSaveProblem::ShorterThanParameterBlock:
            Window().ShowMessage(text, std::nullopt, kOk);
            return;
        default:
            Window().ShowMessage(text, "Error", kIconError);
            return;
    }
}

void AdvancedDialog::OnSaveFile() {
    // A value that does not parse stops the save; the fields after it would
    // be stale.
    if (!UpdateData(true)) return;
    DialogWindow& window = Window();
    if (binFilePath.empty()) {
        window.ShowMessage("No file", std::nullopt, kOk);
        return;
    }
    if (!lastOpen_ || lastOpen_->path != binFilePath) {
        window.ShowMessage("The file has not been opened: press \"Open File\" before saving it.",
                           "Error", kIconError);
        return;
    }
    // Everything is checked before the question, and nothing is written
    // unless all of it can be.
    const std::optional<ImageEdits> edits = EditsFromFields();
    if (!edits) return;
    ImageSave save = ImageSave::Prepare(*lastOpen_, *edits);
    if (save.Refusal()) {
        ReportSaveRefusal(*save.Refusal());
        return;
    }
    if (window.ShowMessage("Confirm to write?", "Cinform", kYesNo) != kIdYes) return;
    if (!save.Commit()) {
        window.ShowMessage("Writing the file failed: " + binFilePath, "Error", kIconError);
        return;
    }
    window.ShowMessage("Write finished", std::nullopt, kOk);
}

// --- Browse ----------------------------------------------------------------------

void AdvancedDialog::OnBrowseImage() {
    FileChooserRequest request;
    request.open = true;
    // One file: the editor works on one image at a time.
    request.flags = file_chooser::kHideReadOnly;
    request.filter = std::string(kBinFileFilter);
    const std::optional<std::string> chosen = Window().ChooseFile(request);
    if (!chosen) return;
    binFilePath = *chosen;
    eepromType = eepromTypeCombo.Selection();
    OnOpenFile();
    ShowEditorFields();
}

}  // namespace kestrovane
