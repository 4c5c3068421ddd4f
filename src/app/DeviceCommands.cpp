#include "app/DeviceCommands.h"

#include "app/UploadDialogIds.h"
#include "camera/Discovery.h"
#include "image/VersionText.h"
#include "upload/DeviceVersion.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIconExclamation;
using message_box::kIdYes;
using message_box::kOk;
using message_box::kYesNo;

constexpr std::string_view kNotSupported = "Function not supported by current BIN";

std::string_view ReadFailureText(int code) {
    switch (code) {
        case XU_TRANSFER_FAILED:
            return "Read version";
        case XU_NOT_SUPPORTED:
            return "Device not support the operation";
        default:
            return "No device";
    }
}

}  // namespace

void ShowDeviceVersions(DialogWindow& window, CameraAccess& access) {
    FindCamera(access.cameras, access.windows, access.clock, access.cameraPath);
    const CameraTarget target{access.cameras, access.cameraPath.Get()};
    window.SetCursorShape(CursorShape::Wait);
    const DeviceVersions versions = ReadDeviceVersions(target);
    if (!versions.supported) {
        window.SetCursorShape(CursorShape::Arrow);
        window.ShowMessage(kNotSupported, "Error", kIconError);
        return;
    }
    if (versions.result != XU_OK) {
        window.ShowMessage(ReadFailureText(versions.result), "Fail", kIconError);
    }
    window.SetItemText(kDeviceBinVersionText, "Device Bin Version:" + versions.binVersion);
    window.SetItemText(kHwVersionText, "HW Version:" + versions.hwVersion);
    window.SetCursorShape(CursorShape::Arrow);
}

void EraseDeviceImage(DialogWindow& window, CameraAccess& access) {
    if (window.ShowMessage("Are you sure to erase the bin in device?", "Confirm",
                           kYesNo | kIconExclamation) != kIdYes) {
        return;
    }
    // Without a camera of its own to choose, the path of an earlier choice may
    // name a camera another copy is programming: send nothing.
    if (FindCamera(access.cameras, access.windows, access.clock, access.cameraPath) != 1) {
        window.ShowMessage("No device", "Fail", kIconError);
        return;
    }
    switch (EraseImage({access.cameras, access.cameraPath.Get()})) {
        case EraseResult::Erased:
            window.ShowMessage("Erase Finished", "Finish", kOk);
            return;
        case EraseResult::NotWritable:
            window.ShowMessage("Set EEPROM writeable error", "Error", kIconError);
            return;
        case EraseResult::NoDevice:
            window.ShowMessage("No device", "Fail", kIconError);
            return;
        case EraseResult::NotSupported:
            window.ShowMessage("Device not support", "Fail", kIconError);
            return;
        case EraseResult::TransferFailed:
            window.ShowMessage("Erase E2prom  faild", "Fail", kIconError);
            return;
    }
}

std::optional<std::string> FileBinVersionText(const std::string& path) {
    const std::optional<std::string> version = readFileBinVersion(path);
    if (!version) return std::nullopt;
    return "Bin Version:" + *version;
}

}  // namespace kestrovane
