// version and erase.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/CameraChoice.h"
#include "cli/CameraSelector.h"
#include "cli/Commands.h"
#include "cli/TerminalText.h"
#include "cli/OperationLogging.h"
#include "upload/DeviceVersion.h"
#include "upload/ImageMarker.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane::cli {

namespace {

std::string HexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

bool IsYes(std::string answer) {
    answer.erase(0, answer.find_first_not_of(" \t"));
    answer.erase(answer.find_last_not_of(" \t\r\n") + 1);
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

// --log: the erase's record, with the marker the camera holds afterwards.
void LogErase(CliSession& session, const std::string& path, EraseResult erased,
              uint64_t elapsedMs) {
    OperationLogging logging(session);
    if (!logging.Enabled()) return;
    Json result = Json::object();
    result["result"] = erased == EraseResult::Erased ? "erased" : "failed";
    result["seconds"] = static_cast<double>(elapsedMs) / 1000.0;
    logging.Finish(logging.Begin("erase", path), result);
}

}  // namespace

ExitCode RunVersion(CliSession& session, const std::string& cameraPath) {
    Output& output = session.output;
    std::optional<ChosenCamera> camera = ChooseCamera(session, cameraPath);
    if (!camera) return ExitCode::NoCamera;
    output.Document()["camera"] = camera->path;
    const DeviceVersions versions = ReadDeviceVersions({session.cameras, camera->path});
    if (!versions.supported) {
        output.Error(kFunctionNotSupportedText);
        output.Hint("This camera's firmware has no EEPROM reads, so its versions cannot be read.");
        return ExitCode::Failed;
    }
    if (versions.result != XU_OK) {
        output.Error(VersionReadFailureText(versions.result));
        return versions.result == XU_NO_DEVICE ? ExitCode::NoCamera : ExitCode::Failed;
    }
    output.Line("Device Bin Version:" + TerminalSafe(versions.binVersion));
    output.Line("HW Version:" + TerminalSafe(versions.hwVersion));
    output.Document()["binVersion"] = versions.binVersion;
    output.Document()["hwVersion"] = versions.hwVersion;

    // The versions alone do not tell whether the image is whole: an upload
    // stopped half-way, or an erase, leaves the old version texts in place.
    const MarkerRead marker = ReadImageMarker({session.cameras, camera->path});
    if (marker.result != XU_OK) {
        output.Document()["imageState"] = nullptr;
        output.Error(VersionReadFailureText(marker.result));
        return marker.result == XU_NO_DEVICE ? ExitCode::NoCamera : ExitCode::Failed;
    }
    const ImageState state = ImageStateOf(marker.marker);
    output.Document()["imageState"] = std::string(ImageStateName(state));
    switch (state) {
        case ImageState::Complete:
            output.Line("Image: complete");
            return ExitCode::Done;
        case ImageState::Incomplete:
            output.Line("Image: incomplete (an upload did not finish; byte 0 is 'B')");
            output.Error("The camera holds an incomplete image and will not start it; upload the image again.");
            break;
        case ImageState::Erased:
            output.Line("Image: erased (byte 0 is 0xFF)");
            output.Error("The camera holds no image to start; upload one.");
            break;
        case ImageState::Unknown:
            output.Line("Image: unknown (byte 0 is " + HexByte(marker.marker) + ")");
            output.Error("The camera's image is of unknown state; upload the image again.");
            break;
    }
    return ExitCode::Failed;
}

ExitCode RunErase(CliSession& session, const EraseRequest& request) {
    Output& output = session.output;
    if (!request.yes && !session.console.inIsTerminal) {
        output.Error("erase asks for confirmation, and there is no terminal to ask on.");
        output.Hint("Add --yes to erase without being asked.");
        return ExitCode::BadInput;
    }
    if (RefuseToGuess(session, request.camera)) return ExitCode::BadInput;
    std::optional<ChosenCamera> camera = ChooseCamera(session, request.camera);
    if (!camera) return ExitCode::NoCamera;
    output.Document()["camera"] = camera->path;
    if (!request.yes) {
        output.Ask(camera->path + "\n" + std::string(kEraseQuestionText) + " [y/N] ");
        const std::optional<std::string> answer =
            session.console.readLine ? session.console.readLine() : std::nullopt;
        if (!answer || !IsYes(*answer)) {
            output.Error("Nothing was erased.");
            output.Document()["result"] = "declined";
            return ExitCode::Failed;
        }
    }
    const uint64_t startedMs = session.clock.NowMs();
    const EraseResult erased = EraseImage({session.cameras, camera->path});
    const std::string_view text = EraseResultText(erased);
    LogErase(session, camera->path, erased, session.clock.NowMs() - startedMs);
    output.Document()["message"] = std::string(text);
    switch (erased) {
        case EraseResult::Erased:
            output.Document()["result"] = "erased";
            output.Notice(text);
            return ExitCode::Done;
        case EraseResult::NoDevice:
            output.Document()["result"] = "noDevice";
            output.Error(text);
            return ExitCode::NoCamera;
        case EraseResult::NotWritable:
            output.Document()["result"] = "notWritable";
            break;
        case EraseResult::NotSupported:
            output.Document()["result"] = "notSupported";
            break;
        case EraseResult::TransferFailed:
            output.Document()["result"] = "transferFailed";
            break;
    }
    output.Error(text);
    return ExitCode::Failed;
}

}  // namespace kestrovane::cli
