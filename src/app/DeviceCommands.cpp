#include "app/DeviceCommands.h"

#include <memory>

#include "app/UploadDialogIds.h"
#include "camera/Discovery.h"
#include "image/VersionText.h"
#include "upload/DeviceVersion.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIconExclamation;
using message_box::kIdYes;
using message_box::kOk;
using message_box::kYesNo;

}  // namespace

void ShowDeviceVersions(DialogWindow& window, CameraAccess& access) {
    FindCamera(access.cameras, access.windows, access.clock, access.cameraPath);
    const CameraTarget target{access.cameras, access.cameraPath.Get()};
    window.SetCursorShape(CursorShape::Wait);
    const DeviceVersions versions = ReadDeviceVersions(target);
    if (!versions.supported) {
        window.SetCursorShape(CursorShape::Arrow);
        window.ShowMessage(kFunctionNotSupportedText, "Error", kIconError);
        return;
    }
    if (versions.result != XU_OK) {
        window.ShowMessage(VersionReadFailureText(versions.result), "Fail", kIconError);
    }
    // The EEPROM's texts are 8-bit characters, shown through the code page.
    window.SetItemText(kDeviceBinVersionText,
                       "Device Bin Version:" + window.TextFromAnsi(versions.binVersion));
    window.SetItemText(kHwVersionText, "HW Version:" + window.TextFromAnsi(versions.hwVersion));
    window.SetCursorShape(CursorShape::Arrow);
}

void EraseDeviceImage(DialogWindow& window, CameraAccess& access) {
    if (window.ShowMessage(kEraseQuestionText, "Confirm", kYesNo | kIconExclamation) != kIdYes) {
        return;
    }
    // Without a camera of its own to choose, the path of an earlier choice may
    // name a camera another copy is programming: send nothing.
    std::unique_ptr<CameraClaim> claim;
    if (FindCamera(access.cameras, access.windows, access.clock, access.cameraPath, access.claims,
                   &claim) != 1) {
        window.ShowMessage("No device", "Fail", kIconError);
        return;
    }
    const EraseResult erased = EraseImage({access.cameras, access.cameraPath.Get()});
    switch (erased) {
        case EraseResult::Erased:
            window.ShowMessage(EraseResultText(erased), "Finish", kOk);
            return;
        case EraseResult::NotWritable:
            window.ShowMessage(EraseResultText(erased), "Error", kIconError);
            return;
        case EraseResult::NoDevice:
        case EraseResult::NotSupported:
        case EraseResult::TransferFailed:
            window.ShowMessage(EraseResultText(erased), "Fail", kIconError);
            return;
    }
}

std::optional<std::string> FileBinVersionText(DialogWindow& window, const std::string& path) {
    const std::optional<std::string> version = readFileBinVersion(path);
    if (!version) return std::nullopt;
    return "Bin Version:" + window.TextFromAnsi(*version);
}

}  // namespace kestrovane
