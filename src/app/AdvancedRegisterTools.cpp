// The "Register" group of the Advanced dialog: one chip or sensor register,
// and register files, over the register tools' sessions.
#include <cstdio>

#include "app/AdvancedDialog.h"
#include "camera/Discovery.h"
#include "registers/HexText.h"
#include "registers/RegisterDump.h"
#include "registers/RegisterFile.h"
#include "registers/RegisterTexts.h"
#include "registers/ReplacingTextFile.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kOk;

constexpr std::string_view kRegisterFileFilter = "TXT File(*.txt)|*.txt||";
constexpr std::string_view kChipFileName = "TovrinRegs.txt";
constexpr std::string_view kSensorFileName = "SensorRegs.txt";

std::string HexText(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

FileChooserRequest RegisterFileRequest(bool open, RegisterKind kind) {
    FileChooserRequest request;
    request.open = open;
    request.defaultExtension = "txt";
    request.fileName = std::string(kind == RegisterKind::Chip ? kChipFileName : kSensorFileName);
    // One file; the save dialog asks nothing before it replaces a file.
    request.flags = 0;
    request.filter = std::string(kRegisterFileFilter);
    return request;
}

// The wait cursor for the length of a register operation.
class WaitCursor {
public:
    explicit WaitCursor(DialogWindow& window) : window_(window) {
        window_.SetCursorShape(CursorShape::Wait);
    }
    ~WaitCursor() { window_.SetCursorShape(CursorShape::Arrow); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    DialogWindow& window_;
};

}  // namespace

// --- Shared steps ----------------------------------------------------------------

bool AdvancedDialog::RefuseWhileUploading() {
    if (!uploadActive_ || !uploadActive_()) return false;
    Window().ShowMessage("An upload is in progress. Please wait until it has ended.", "Error",
                         kIconError);
    return true;
}

std::optional<uint16_t> AdvancedDialog::ParseRegisterNumber(const std::string& text,
                                                            std::string_view what) {
    const std::optional<uint64_t> number = ParseHexText(text);
    if (!number) {
        Window().ShowMessage(NotHexNumberText(what, text), "Error", kIconError);
        return std::nullopt;
    }
    if (*number > kMaxRegisterNumber) {
        Window().ShowMessage(NumberOutOfRangeText(what, text), "Error", kIconError);
        return std::nullopt;
    }
    return static_cast<uint16_t>(*number);
}

void AdvancedDialog::ShowRegisterFailure(int code, RegisterKind kind, bool writing) {
    const std::string_view text = RegisterFailureText(code, kind, writing);
    if (text.empty()) return;
    Window().ShowMessage(text, "Fail", kIconError);
}

bool AdvancedDialog::OpenRegisterSession(RegisterSession& session,
                                         std::unique_ptr<CameraClaim>& claim, RegisterKind kind,
                                         bool writing) {
    // Only a camera this copy has chosen, and holds, is talked to: the path of
    // an earlier choice may name a camera another copy is programming.
    if (FindCamera(services_.cameras, services_.windows, services_.clock, services_.cameraPath,
                   services_.claims, &claim) != 1) {
        Window().ShowMessage("No device", "Fail", kIconError);
        return false;
    }
    const int opened = session.Open({services_.cameras, services_.cameraPath.Get()});
    if (opened != XU_OK) {
        ShowRegisterFailure(opened, kind, writing);
        return false;
    }
    return true;
}

bool AdvancedDialog::RefuseAddressAboveLimit(const RegisterSession& session, uint16_t address,
                                             std::string_view text) {
    if (address <= session.AddressLimit()) return false;
    Window().ShowMessage(AddressAboveLegacyLimitText(text), "Error", kIconError);
    return true;
}

// --- One register ----------------------------------------------------------------

void AdvancedDialog::ReadOneRegister(RegisterKind kind) {
    if (RefuseWhileUploading()) return;
    // A failed exchange leaves the register texts stale: nothing is sent.
    if (!UpdateData(true)) return;
    const std::string& addressText =
        kind == RegisterKind::Chip ? chipRegisterText : sensorRegisterText;
    const std::optional<uint16_t> address = ParseRegisterNumber(addressText, "register address");
    if (!address) return;

    std::unique_ptr<CameraClaim> claim;
    RegisterSession session;
    if (!OpenRegisterSession(session, claim, kind, false)) return;
    if (RefuseAddressAboveLimit(session, *address, addressText)) return;
    if (session.IsRefused(kind, *address)) {
        Window().ShowMessage(kRefusedSensorRegisterText, std::nullopt, kOk);
        return;
    }
    uint16_t value = 0;
    if (const int code = session.Read(kind, *address, value); code != XU_OK) {
        ShowRegisterFailure(code, kind, false);
        return;
    }
    (kind == RegisterKind::Chip ? chipValueText : sensorValueText) = HexText(value);
    UpdateData(false);
}

void AdvancedDialog::WriteOneRegister(RegisterKind kind) {
    if (RefuseWhileUploading()) return;
    if (!UpdateData(true)) return;
    const bool chip = kind == RegisterKind::Chip;
    const std::string& addressText = chip ? chipRegisterText : sensorRegisterText;
    const std::optional<uint16_t> address = ParseRegisterNumber(addressText, "register address");
    if (!address) return;
    const std::optional<uint16_t> value =
        ParseRegisterNumber(chip ? chipValueText : sensorValueText, "register value");
    if (!value) return;

    std::unique_ptr<CameraClaim> claim;
    RegisterSession session;
    if (!OpenRegisterSession(session, claim, kind, true)) return;
    if (RefuseAddressAboveLimit(session, *address, addressText)) return;
    if (session.IsRefused(kind, *address)) {
        Window().ShowMessage(kRefusedSensorRegisterText, std::nullopt, kOk);
        return;
    }
    if (const int code = session.Write(kind, *address, *value); code != XU_OK) {
        ShowRegisterFailure(code, kind, true);
    }
}

// --- Register files --------------------------------------------------------------

void AdvancedDialog::DumpRegistersToFile(RegisterKind kind) {
    if (RefuseWhileUploading()) return;
    DialogWindow& window = Window();
    uint16_t start = 0;
    if (kind == RegisterKind::Sensor) {
        if (!UpdateData(true)) return;
        // An empty start text starts at 0x0000.
        if (sensorRegisterText.find_first_not_of(" \t") != std::string::npos) {
            const std::optional<uint16_t> parsed =
                ParseRegisterNumber(sensorRegisterText, "start register");
            if (!parsed) return;
            start = *parsed;
        }
    }
    const std::optional<std::string> path = window.ChooseFile(RegisterFileRequest(false, kind));
    ReplacingTextFile file;
    if (!path || !file.Create(*path)) {
        window.ShowMessage(kCannotCreateRegisterFileText, std::nullopt, kOk);
        return;
    }
    RegisterRunResult result;
    {
        WaitCursor wait(window);
        std::unique_ptr<CameraClaim> claim;
        RegisterSession session;
        if (!OpenRegisterSession(session, claim, kind, false)) return;
        const std::optional<RegisterRange> range = DumpRange(kind, start, session.AddressLimit());
        if (!range) {
            RefuseAddressAboveLimit(session, start, sensorRegisterText);
            return;
        }
        result = DumpRegisters(session, kind, *range, [&](uint16_t address, uint16_t value) {
            file.WriteLine(FormatRegisterLine(address, value));
        });
    }
    // The file is put in place only after a dump that ended well; the one
    // that was there before stays otherwise.
    if (result.code != XU_OK) {
        file.Discard();
        ShowRegisterFailure(result.code, kind, false);
        return;
    }
    if (!file.Commit()) {
        window.ShowMessage("Writing the file failed: " + *path, "Error", kIconError);
        return;
    }
    window.ShowMessage(kind == RegisterKind::Chip
                           ? "ReadFile OK, file is saved to TovrinRegs.txt!!"
                           : "ReadSensor OK, file is saved to SensorRegs.txt!!",
                       std::nullopt, kOk);
}

void AdvancedDialog::LoadRegistersFromFile(RegisterKind kind) {
    if (RefuseWhileUploading()) return;
    DialogWindow& window = Window();
    const std::optional<std::string> path = window.ChooseFile(RegisterFileRequest(true, kind));
    const std::optional<std::string> text =
        path ? ReadRegisterFileText(*path) : std::optional<std::string>();
    if (!text) {
        window.ShowMessage(kCannotOpenRegisterFileText, std::nullopt, kOk);
        return;
    }
    // The whole file is read before the first register is written.
    const ParsedRegisterFile parsed = ParseRegisterFile(*text);
    if (parsed.problem) {
        window.ShowMessage(RegisterFileProblemText(*parsed.problem), "Error", kIconError);
        return;
    }
    if (parsed.entries.empty()) {
        window.ShowMessage(kEmptyRegisterFileText, "Error", kIconError);
        return;
    }
    RegisterRunResult result;
    {
        WaitCursor wait(window);
        std::unique_ptr<CameraClaim> claim;
        RegisterSession session;
        if (!OpenRegisterSession(session, claim, kind, true)) return;
        if (const auto beyond = FirstEntryAbove(parsed.entries, session.AddressLimit())) {
            window.ShowMessage(EntryAboveLegacyLimitText(beyond->lineNumber), "Error", kIconError);
            return;
        }
        result = LoadRegisters(session, kind, parsed.entries, services_.clock);
    }
    if (result.code != XU_OK) {
        ShowRegisterFailure(result.code, kind, true);
        return;
    }
    // Every register of the file was one the camera's firmware refuses.
    if (result.done == 0) {
        window.ShowMessage(kNoRegisterWrittenText, "Error", kIconError);
        return;
    }
    window.ShowMessage(kind == RegisterKind::Chip
                           ? "WriteFile OK, file is written to tovrine registers!!"
                           : "WriteFile OK, file is read from SensorRegs.txt!!",
                       std::nullopt, kOk);
}

}  // namespace kestrovane
