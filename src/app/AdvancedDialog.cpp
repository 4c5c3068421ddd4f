#include "app/AdvancedDialog.h"

#include <iterator>
#include <utility>

#include "app/DataExchange.h"
#include "app/EepromTypeItems.h"

namespace kestrovane {

namespace {

constexpr std::size_t kVersionTextLimit = 16;
constexpr std::size_t kIdTextLimit = 4;
// "24C64(8K)", selected at dialog start when no image is given.
constexpr int kStartEepromType = 3;

}  // namespace

const CommandBinding<AdvancedDialog> AdvancedDialog::kCommandTable[] = {
    {kOpenFileButton, &AdvancedDialog::OnOpenFile},
    {kSaveFileButton, &AdvancedDialog::OnSaveFile},
    {kChipReadButton, &AdvancedDialog::OnChipRead},
    {kChipWriteButton, &AdvancedDialog::OnChipWrite},
    {kSensorReadButton, &AdvancedDialog::OnSensorRead},
    {kSensorWriteButton, &AdvancedDialog::OnSensorWrite},
    {kDumpChipButton, &AdvancedDialog::OnDumpChipRegisters},
    {kLoadChipButton, &AdvancedDialog::OnLoadChipRegisters},
    {kDumpSensorButton, &AdvancedDialog::OnDumpSensorRegisters},
    {kLoadSensorButton, &AdvancedDialog::OnLoadSensorRegisters},
    {kAdvBrowseButton, &AdvancedDialog::OnBrowseImage},
};

std::span<const CommandBinding<AdvancedDialog>> AdvancedDialog::CommandTable() {
    return {kCommandTable, std::size(kCommandTable)};
}

AdvancedDialog::AdvancedDialog(const AppServices& services, std::string imagePath, int eepromType,
                               std::function<bool()> uploadActive)
    : Dialog(kAdvancedDialogTemplate),
      eepromTypeCombo(*this, kAdvEepromTypeCombo),
      frequencyCombo(*this, kFrequencyCombo),
      binFilePath(std::move(imagePath)),
      eepromType(eepromType),
      services_(services),
      uploadActive_(std::move(uploadActive)) {}

bool AdvancedDialog::DispatchBoundCommand(int controlId) {
    return DispatchCommand(CommandTable(), *this, controlId);
}

bool AdvancedDialog::OnInitDialog() {
    frequencyCombo.AddItem("50hz");
    frequencyCombo.AddItem("60hz");
    for (std::string_view item : kEepromTypeItems) eepromTypeCombo.AddItem(item);
    Dialog::OnInitDialog();  // fields to controls

    Window().CheckRadio(kKv2ToKv4Radio, kKv5Radio, kKv5Radio);
    eepromTypeCombo.Select(kStartEepromType);
    if (!binFilePath.empty()) {
        eepromTypeCombo.Select(eepromType);
        OnOpenFile();
    }
    UpdateData(false);
    return true;
}

// --- Data exchange -----------------------------------------------------------

void AdvancedDialog::ExchangeNumber(DataExchange& exchange, int controlId, uint32_t& field) {
    if (unreadNumberEdits_.contains(controlId)) {
        if (!exchange.Saving() && !exchange.Failed()) Window().SetItemText(controlId, "");
        return;
    }
    exchange.Unsigned(controlId, field);
}

void AdvancedDialog::ExchangeNumber(DataExchange& exchange, int controlId, int32_t& field) {
    if (unreadNumberEdits_.contains(controlId)) {
        if (!exchange.Saving() && !exchange.Failed()) Window().SetItemText(controlId, "");
        return;
    }
    exchange.Signed(controlId, field);
}

void AdvancedDialog::ExchangeNumbers(DataExchange& exchange) {
    ExchangeNumber(exchange, kBrightnessDefaultEdit, brightnessDefault);
    ExchangeNumber(exchange, kContrastDefaultEdit, contrastDefault);
    ExchangeNumber(exchange, kGammaDefaultEdit, gammaDefault);
    ExchangeNumber(exchange, kSaturationDefaultEdit, saturationDefault);
    ExchangeNumber(exchange, kSharpnessDefaultEdit, sharpnessDefault);
    ExchangeNumber(exchange, kBrightnessMaxEdit, brightnessMax);
    ExchangeNumber(exchange, kBrightnessMinEdit, brightnessMin);
    ExchangeNumber(exchange, kContrastMaxEdit, contrastMax);
    ExchangeNumber(exchange, kContrastMinEdit, contrastMin);
    ExchangeNumber(exchange, kGammaMaxEdit, gammaMax);
    ExchangeNumber(exchange, kGammaMinEdit, gammaMin);
    ExchangeNumber(exchange, kSaturationMaxEdit, saturationMax);
    ExchangeNumber(exchange, kSaturationMinEdit, saturationMin);
    ExchangeNumber(exchange, kSharpnessMaxEdit, sharpnessMax);
    ExchangeNumber(exchange, kSharpnessMinEdit, sharpnessMin);
    ExchangeNumber(exchange, kHueDefaultEdit, hueDefault);
    ExchangeNumber(exchange, kHueMaxEdit, hueMax);
    ExchangeNumber(exchange, kHueMinEdit, hueMin);
}

void AdvancedDialog::ExchangeVersionsAndPath(DataExchange& exchange) {
    exchange.Text(kBinVersionEdit, binVersion, kVersionTextLimit);
    exchange.Text(kHwVersionEdit, hwVersion, kVersionTextLimit);
    exchange.Text(kAdvBinFileEdit, binFilePath);
}

void AdvancedDialog::ExchangeIdentity(DataExchange& exchange) {
    exchange.Text(kVendorIdEdit, vendorIdText, kIdTextLimit);
    exchange.Text(kProductIdEdit, productIdText, kIdTextLimit);
    exchange.Text(kDeviceDescriptionEdit, deviceDescription);
}

void AdvancedDialog::DoDataExchange(DataExchange& exchange) {
    ExchangeNumbers(exchange);
    ExchangeVersionsAndPath(exchange);
    exchange.Text(kChipRegisterEdit, chipRegisterText);
    exchange.Text(kSensorRegisterEdit, sensorRegisterText);
    exchange.Text(kChipValueEdit, chipValueText);
    exchange.Text(kSensorValueEdit, sensorValueText);
    ExchangeIdentity(exchange);
}

void AdvancedDialog::ShowEditorFields() {
    // The register edits keep what the user has typed into them.
    DataExchange exchange(Window(), false);
    ExchangeNumbers(exchange);
    ExchangeVersionsAndPath(exchange);
    ExchangeIdentity(exchange);
}

}  // namespace kestrovane
