#include "cli/DryRun.h"

#include <array>

#include "camera/CommandSet.h"
#include "cli/CameraSelector.h"
#include "cli/TerminalText.h"
#include "image/FieldOffsets.h"
#include "image/VersionText.h"
#include "upload/DeviceVersion.h"
#include "upload/OperationLog.h"
#include "upload/OutcomeTexts.h"
#include "upload/UploadImage.h"

namespace kestrovane::cli {

namespace {

std::string ImageVersion(const UploadImage& image, std::size_t offset) {
    if (image.fileLength < offset + kVersionFieldLength) return "-";
    return decodeVersionText(std::span<const uint8_t>(image.bytes).subspan(offset, kVersionFieldLength));
}

}  // namespace

ExitCode DryRun(CliSession& session, const UploadRequest& request, const std::string& cameraPath,
                Json& json) {
    Output& output = session.output;
    const UploadImage image = LoadUploadImage(request.image, request.eeprom);
    json["camera"] = cameraPath;
    json["result"] = "dryRun";
    json["blocks"] = image.BlockCount();
    json["blockSize"] = image.blockSize;
    const CameraTarget target{session.cameras, cameraPath};
    const DeviceVersions versions = ReadDeviceVersions(target);
    std::string marker;
    std::array<uint8_t, 2> head{};
    if (versions.supported && versions.result == XU_OK &&
        ReadEepromBlock(target, head, kMarkerOffset) == XU_OK) {
        marker = MarkerStateName(head[0]);
    }
    const bool read = versions.supported && versions.result == XU_OK;
    json["binVersion"] = read ? Json(versions.binVersion) : Json(nullptr);
    json["hwVersion"] = read ? Json(versions.hwVersion) : Json(nullptr);
    json["imageState"] = marker.empty() ? Json(nullptr) : Json(marker);

    const std::string verb = request.verifyOnly ? "compare" : "write";
    output.Line("Camera " + TerminalSafe(cameraPath) + ":");
    if (read) {
        output.Line("  now holds: Device Bin Version:" + TerminalSafe(versions.binVersion) +
                    ", HW Version:" + TerminalSafe(versions.hwVersion) + ", image " +
                    (marker.empty() ? std::string("state unknown") : marker));
    } else if (!versions.supported) {
        output.Line("  now holds: unknown (" + std::string(kFunctionNotSupportedText) + ")");
    } else {
        output.Line("  now holds: unknown (" +
                    std::string(VersionReadFailureText(versions.result)) + ")");
    }
    output.Line("  would " + verb + ": " + TerminalSafe(request.image) + ", " +
                std::to_string(image.BlockCount()) + " blocks of " +
                std::to_string(image.blockSize) + " bytes (" +
                std::to_string(image.bytes.size()) + " bytes), Device Bin Version:" +
                TerminalSafe(ImageVersion(image, kBinVersionOffset)) + ", HW Version:" +
                TerminalSafe(ImageVersion(image, kHwVersionOffset)));
    output.Notice("Dry run: nothing was written.");
    return versions.result == XU_NO_DEVICE && versions.supported ? ExitCode::NoCamera
                                                                : ExitCode::Done;
}

}  // namespace kestrovane::cli
