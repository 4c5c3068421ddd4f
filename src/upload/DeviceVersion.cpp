#include "upload/DeviceVersion.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <span>

#include "app/UploadDialogIds.h"
#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"
#include "image/FieldOffsets.h"
#include "image/VersionText.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIconExclamation;
using message_box::kIdYes;
using message_box::kOk;
using message_box::kYesNo;

constexpr std::string_view kNotSupported = "Function not supported by current BIN";

// Both version fields, read as one block from the first.
constexpr uint16_t kVersionAreaOffset = kBinVersionOffset;
constexpr std::size_t kVersionAreaLength = 2 * kVersionFieldLength;

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

// The three erase requests; false at the first that fails, the rest unsent.
bool SendEraseRequests(XuLink& link) {
    XuRequest setOffset = EeSetOffsetRequest(0);
    if (!link.Set(EepromChannel, setOffset)) return false;
    XuRequest dataWord = EeDataWordRequest(0xFF, 0xFF);
    if (!link.Set(EepromChannel, dataWord)) return false;
    XuRequest endBlock = EeEndBlockRequest(dataWord);
    return link.Set(EepromChannel, endBlock);
}

}  // namespace

void ShowDeviceVersions(DialogWindow& window, CameraAccess& access) {
    FindCamera(access.cameras, access.windows, access.clock, access.cameraPath);
    const CameraTarget target{access.cameras, access.cameraPath.Get()};
    if (IsXuProtocolSupported(target) != 1) {
        window.ShowMessage(kNotSupported, "Error", kIconError);
        return;
    }
    window.SetCursorShape(CursorShape::Wait);
    // Zeroed first: a word that was never read shows as the end of the text.
    std::array<uint8_t, kVersionAreaLength> area{};
    const int result = ReadEepromBlock(target, area, kVersionAreaOffset);
    if (result != XU_OK) window.ShowMessage(ReadFailureText(result), "Fail", kIconError);

    const std::span<const uint8_t> bytes(area);
    window.SetItemText(kDeviceBinVersionText,
                       "Device Bin Version:" + decodeVersionText(bytes.first(kVersionFieldLength)));
    window.SetItemText(kHwVersionText,
                       "HW Version:" + decodeVersionText(bytes.subspan(kVersionFieldLength)));
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
    const CameraTarget target{access.cameras, access.cameraPath.Get()};
    if (MakeEepromWritable(target) != 1) {
        window.ShowMessage("Set EEPROM writeable error", "Error", kIconError);
        return;
    }
    XuLink link;
    if (link.Open(target) != XU_OK) {
        window.ShowMessage(
            link.FailedStep() == XuLink::Step::OpenCamera ? "No device" : "Device not support",
            "Fail", kIconError);
        return;
    }
    const bool erased = SendEraseRequests(link);
    link.Close();
    if (!erased) {
        window.ShowMessage("Erase E2prom  faild", "Fail", kIconError);
        return;
    }
    window.ShowMessage("Erase Finished", "Finish", kOk);
}

std::optional<std::string> FileBinVersionText(const std::string& path) {
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary);
    if (!file) return std::nullopt;
    std::array<uint8_t, kVersionFieldLength> field{};
    file.seekg(static_cast<std::streamoff>(kBinVersionOffset));
    if (file) file.read(reinterpret_cast<char*>(field.data()), field.size());
    // Only the bytes the file has count; the rest stays 0 and ends the text.
    return "Bin Version:" + decodeVersionText(field);
}

}  // namespace kestrovane
