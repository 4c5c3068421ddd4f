#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "app/AdvancedDialogIds.h"
#include "app/AppServices.h"
#include "app/CommandTable.h"
#include "app/Dialog.h"
#include "app/DialogControls.h"
#include "image/ImageEditorFields.h"
#include "registers/RegisterSession.h"

namespace kestrovane {

class ImageSave;
struct EditorSaveRefusal;

// The Advanced dialog (template 130): the image parameter editor ("Bin file
// modify") and the register tools ("Register"). It runs modally over the main
// dialog on the user-interface thread and starts no thread of its own.
class AdvancedDialog : public Dialog {
public:
    // `imagePath` and `eepromType` are the main dialog's; `uploadActive` tells
    // whether the main dialog's upload worker runs, during which the register
    // tools leave the cameras alone.
    AdvancedDialog(const AppServices& services, std::string imagePath, int eepromType,
                   std::function<bool()> uploadActive);

    // --- Fields, in declaration order. ---
    ComboBoxControl eepromTypeCombo;  // 1081: EEPROM type of the image being edited
    ComboBoxControl frequencyCombo;   // 1032: 0 "50hz", 1 "60hz"
    uint32_t brightnessDefault = 0;   // 1026
    uint32_t contrastDefault = 0;     // 1027
    uint32_t gammaDefault = 0;        // 1031
    uint32_t saturationDefault = 0;   // 1029
    uint32_t sharpnessDefault = 0;    // 1030
    uint32_t brightnessMax = 0;       // 1041
    uint32_t brightnessMin = 0;       // 1040
    uint32_t contrastMax = 0;         // 1043
    uint32_t contrastMin = 0;         // 1042
    uint32_t gammaMax = 0;            // 1051
    uint32_t gammaMin = 0;            // 1050
    uint32_t saturationMax = 0;       // 1047
    uint32_t saturationMin = 0;       // 1046
    uint32_t sharpnessMax = 0;        // 1049
    uint32_t sharpnessMin = 0;        // 1048
    // Hue values are kept wider than the image's 16 bits, so that a value
    // out of range is refused by the save rather than cut.
    int32_t hueDefault = 0;          // 1028, never read from or written to a file
    int32_t hueMax = 0;              // 1045
    int32_t hueMin = 0;              // 1044
    // The image's 8-bit texts are shown as window texts (UTF-8) through the
    // system's ANSI code page, and go back through it when saved.
    std::string binVersion;          // 1065, at most 16 characters
    std::string hwVersion;           // 1059, at most 16 characters
    std::string binFilePath;         // 1002 (read-only)
    std::string chipRegisterText;    // 1011, hexadecimal
    std::string sensorRegisterText;  // 1013, hexadecimal; also a sensor dump's start
    std::string chipValueText;       // 1012, hexadecimal
    std::string sensorValueText;     // 1014, hexadecimal
    std::string vendorIdText;        // 1072, at most 4 characters
    std::string productIdText;       // 1073, at most 4 characters
    std::string deviceDescription;   // 1074, an 8-bit text as the versions
    // The EEPROM type that decides the layout; taken again from 1081 at Browse.
    int eepromType;

    // The image as the last successful open read it; none before one, or
    // after an open that failed. A save goes only into this file.
    const std::optional<OpenedImage>& LastOpen() const { return lastOpen_; }

    bool OnInitDialog() override;

protected:
    bool DispatchBoundCommand(int controlId) override;
    void DoDataExchange(DataExchange& exchange) override;

private:
    // Image editor.
    void OnOpenFile();
    void OnSaveFile();
    void OnBrowseImage();
    void ShowOpenedImage(const OpenedImage& image);
    void ShowSmallLayout(const OpenedImage& image);
    void ShowLargeLayout(const OpenedImage& image);
    void ShowParameterRow(PictureParameter parameter, const OpenedImage& image);
    void ShowEditorFields();
    std::optional<ImageEdits> EditsFromFields();
    std::optional<std::string> ImageTextOf(const std::string& text, const std::string& shown,
                                           const std::optional<std::string>& opened,
                                           const char* field, int controlId);
    void ReportSaveRefusal(const EditorSaveRefusal& refusal);
    void ExchangeNumber(DataExchange& exchange, int controlId, uint32_t& field);
    void ExchangeNumber(DataExchange& exchange, int controlId, int32_t& field);
    void ExchangeNumbers(DataExchange& exchange);
    void ExchangeVersionsAndPath(DataExchange& exchange);
    void ExchangeIdentity(DataExchange& exchange);

    // Register tools.
    void OnChipRead() { ReadOneRegister(RegisterKind::Chip); }
    void OnChipWrite() { WriteOneRegister(RegisterKind::Chip); }
    void OnSensorRead() { ReadOneRegister(RegisterKind::Sensor); }
    void OnSensorWrite() { WriteOneRegister(RegisterKind::Sensor); }
    void OnDumpChipRegisters() { DumpRegistersToFile(RegisterKind::Chip); }
    void OnDumpSensorRegisters() { DumpRegistersToFile(RegisterKind::Sensor); }
    void OnLoadChipRegisters() { LoadRegistersFromFile(RegisterKind::Chip); }
    void OnLoadSensorRegisters() { LoadRegistersFromFile(RegisterKind::Sensor); }
    void ReadOneRegister(RegisterKind kind);
    void WriteOneRegister(RegisterKind kind);
    void DumpRegistersToFile(RegisterKind kind);
    void LoadRegistersFromFile(RegisterKind kind);

    bool RefuseWhileUploading();
    std::optional<uint16_t> ParseRegisterNumber(const std::string& text, std::string_view what);
    // Opens a session to the camera FindCamera chooses, holding its claim in
    // `claim`. False, with the user told, when no camera could be used.
    bool OpenRegisterSession(RegisterSession& session, std::unique_ptr<CameraClaim>& claim,
                             RegisterKind kind, bool writing);
    bool RefuseAddressAboveLimit(const RegisterSession& session, uint16_t address,
                                 std::string_view text);
    void ShowRegisterFailure(int code, RegisterKind kind, bool writing);

    static const CommandBinding<AdvancedDialog> kCommandTable[];
    static std::span<const CommandBinding<AdvancedDialog>> CommandTable();

    const AppServices services_;
    const std::function<bool()> uploadActive_;
    std::optional<OpenedImage> lastOpen_;
    // The 8-bit texts of the last open as the window showed them: a text the
    // user left as it was goes back as the very bytes it was shown from.
    struct ShownTexts {
        std::string binVersion;
        std::string hwVersion;
        std::string description;
    };
    ShownTexts shownTexts_;
    // Number edits whose values the last open did not read: shown empty and
    // left out of the exchange.
    std::set<int> unreadNumberEdits_;
};

}  // namespace kestrovane
