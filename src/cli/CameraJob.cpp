#include "cli/FileReason.h"
#include "cli/CameraJob.h"

#include <cstdio>

#include "camera/CameraRestart.h"
#include "camera/CommandSet.h"
#include "image/EepromType.h"
#include "cli/ImageCheck.h"
#include "upload/CameraWriter.h"
#include "upload/EepromReadBack.h"
#include "upload/ImageMarker.h"
#include "upload/NewImageStart.h"
#include "upload/OutcomeTexts.h"
#include "upload/UploadImage.h"

namespace kestrovane::cli {

namespace {

using Result = UploadOutcome::Result;

std::string_view ResultName(Result result) {
    switch (result) {
        case Result::Committed:
            return "committed";
        case Result::Verified:
            return "verified";
        case Result::Cancelled:
            return "cancelled";
        case Result::NotStarted:
            return "notStarted";
        case Result::Failed:
            break;
    }
    return "failed";
}

std::string_view StepName(UploadStep step) {
    switch (step) {
        case UploadStep::None:
            return "";
        case UploadStep::LoadImage:
            return "loadImage";
        case UploadStep::OpenCamera:
            return "openCamera";
        case UploadStep::OpenExtensionUnit:
            return "openExtensionUnit";
        case UploadStep::GetKsControl:
            return "getKsControl";
        case UploadStep::MakeWritable:
            return "makeWritable";
        case UploadStep::SetEepromType:
            return "setEepromType";
        case UploadStep::SetOffset:
            return "setOffset";
        case UploadStep::DataWord:
            return "dataWord";
        case UploadStep::EndBlock:
            return "endBlock";
        case UploadStep::CheckSet:
            return "checkSet";
        case UploadStep::CheckGet:
            return "checkGet";
        case UploadStep::Mismatch:
            return "mismatch";
    }
    return "";
}

std::string Hex(std::size_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*zX", digits, value);
    return text;
}

// The blocks of one run on the progress line, and Ctrl+C as its stop request.
class ProgressObserver final : public WriteObserver {
public:
    ProgressObserver(CliSession& session, std::string label, std::size_t blockSize)
        : session_(session), label_(std::move(label)), blockSize_(blockSize) {}
    ~ProgressObserver() override { End(); }

    bool BeginBlocks(std::size_t blockCount) override {
        blockCount_ = blockCount;
        task_ = session_.output.BeginProgress(label_, blockCount, blockSize_, "blocks");
        return true;
    }
    void BeginBlock(std::size_t index) override { session_.output.AdvanceProgress(task_, index); }
    bool StopRequested() override { return session_.StopRequested(); }

    void Finish(bool allDone) {
        if (allDone) session_.output.AdvanceProgress(task_, blockCount_);
        End();
    }

private:
    void End() {
        if (task_ >= 0) session_.output.EndProgress(task_);
        task_ = -1;
    }

    CliSession& session_;
    std::string label_;
    std::size_t blockSize_;
    std::size_t blockCount_ = 0;
    int task_ = -1;
};

}  // namespace

bool CheckUploadImage(CliSession& session, const UploadRequest& request) {
    const UploadImage image = LoadUploadImage(request.image, request.eeprom);
    if (image.status == ImageLoadStatus::Ok) {
        if (UploadImagePassesChecks(session.output, request)) return true;
        session.output.Document()["result"] = "badImage";
        return false;
    }
    UploadOutcome refused;
    refused.step = UploadStep::LoadImage;
    refused.imageStatus = image.status;
    refused.fileLength = image.fileLength;
    refused.capacity = UploadCapacity(request.eeprom);
    session.output.Error(SingleRunText(refused)->text);
    if (image.status == ImageLoadStatus::CannotOpen) {
        session.output.Hint(CannotReadText("The image", request.image));
    } else if (image.status == ImageLoadStatus::TooLarge) {
        session.output.Hint("Choose the camera's EEPROM with --eeprom.");
    }
    session.output.Document()["result"] = "badImage";
    return false;
}

UploadSettings SettingsOf(const UploadRequest& request, const std::string& cameraPath) {
    UploadSettings settings;
    settings.imagePath = request.image;
    settings.eepromType = request.eeprom;
    settings.blockDelayMs = request.blockDelayMs;
    settings.verifyAfterWrite = request.verify && !request.verifyOnly;
    settings.verifyOnly = request.verifyOnly;
    settings.runNewBin = request.runNew;
    settings.forceEepromType = request.forcedKind.has_value();
    settings.forcedEepromKind = request.forcedKind.value_or(1);
    settings.cameraPath = cameraPath;
    return settings;
}

// Whether the camera's device path is no longer listed. The kernel removes a
// camera's node a moment after its transfers begin to fail, so a camera that
// is still listed is looked for again, for at most a second.
bool CameraLeft(const CameraTarget& target, Clock& clock) {
    constexpr int kAttempts = 10;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<DeviceEnumerator> devices;
        const HResult listed = target.cameras.EnumerateVideoInputs(&devices);
        if (listed != kS_OK && listed != kS_FALSE) return false;  // cannot tell
        bool present = false;
        std::unique_ptr<DeviceEntry> device;
        while (listed == kS_OK && devices && devices->Next(&device) == kS_OK && device) {
            std::string path;
            if (device->ReadDevicePath(&path) == kS_OK && path == target.path) present = true;
        }
        if (!present) return true;
        if (attempt + 1 < kAttempts) clock.SleepMs(100);
    }
    return false;
}

ExitCode ExitCodeOf(const UploadOutcome& outcome) {
    if (outcome.Succeeded()) return ExitCode::Done;
    if (outcome.result == Result::Failed && outcome.step == UploadStep::LoadImage) {
        return ExitCode::BadInput;
    }
    if (outcome.result == Result::Failed && outcome.step == UploadStep::OpenCamera) {
        return ExitCode::NoCamera;
    }
    return ExitCode::Failed;
}

Json OutcomeJson(const UploadOutcome& outcome) {
    Json json = Json::object();
    json["result"] = std::string(ResultName(outcome.result));
    json["step"] = outcome.result == Result::Failed ? Json(std::string(StepName(outcome.step)))
                                                    : Json(nullptr);
    json["block"] = outcome.result == Result::Failed || outcome.result == Result::Cancelled
                        ? (outcome.block ? Json(*outcome.block) : Json(nullptr))
                        : Json(nullptr);
    json["inHeader"] = outcome.result == Result::Failed && outcome.inHeader;
    json["blocks"] = outcome.blockCount;
    json["blockSize"] = outcome.blockSize;
    const std::optional<OutcomeText> text = SingleRunText(outcome);
    json["message"] = text ? Json(text->text) : Json(nullptr);
    json["markerRestored"] = outcome.markerRestored ? Json(*outcome.markerRestored) : Json(nullptr);
    return json;
}

ExitCode CameraJob::Run(Json& json) {
    const UploadSettings settings = SettingsOf(request, cameraPath);
    const CameraTarget target{session.cameras, cameraPath};
    json["camera"] = cameraPath;

    // The dialog offers the forced type and the new image's start only to a
    // camera whose firmware has the command channel.
    if ((request.runNew || request.forcedKind) && IsXuProtocolSupported(target) != 1) {
        report({true, std::string(kFunctionNotSupportedText),
                "This camera's firmware cannot take --run-new or --force-type; upload without "
                "them."});
        json["result"] = "notSupported";
        return ExitCode::Failed;
    }

    const uint64_t startedMs = session.clock.NowMs();
    ProgressObserver observer(session, label, uploadBlockSize(request.eeprom));
    const UploadOutcome outcome = WriteCamera(session.cameras, session.clock, settings, observer);
    observer.Finish(outcome.Succeeded());
    json.update(OutcomeJson(outcome));
    json["seconds"] = static_cast<double>(session.clock.NowMs() - startedMs) / 1000.0;
    ExitCode code = ExitCodeOf(outcome);
    if (const std::optional<OutcomeText> text = SingleRunText(outcome)) {
        report({!outcome.Succeeded(), text->text, {}});
    }
    if (const std::optional<OutcomeText> notice = IncompleteImageText(outcome)) {
        report({true, notice->text, {}});
    }
    // A camera unplugged during the run: its transfers failed because it is
    // gone, which a script tells apart from a camera that refused a block.
    const bool ranOnCamera = outcome.step != UploadStep::LoadImage &&
                             outcome.step != UploadStep::OpenCamera;
    if (outcome.result == Result::Failed && ranOnCamera && CameraLeft(target, session.clock)) {
        report({true, "The camera is gone: it was unplugged during the run.", {}});
        json["cameraGone"] = true;
        return ExitCode::NoCamera;
    }
    if (outcome.result != Result::Committed) return code;

    if (request.readback) {
        Json readback = Json::object();
        const bool matched = ReadBack(settings, readback);
        json["readback"] = readback;
        if (!matched) {
            code = ExitCode::Failed;
            // An image found wrong, or not readable, after its commit is not
            // started: 'B' goes back in front of it, as after a failed header.
            const std::string result = readback.value("result", "");
            if (result == "mismatch" || result == "failed") {
                UploadOutcome unmarked;
                unmarked.markerRestored =
                    MarkImageIncomplete(target, session.clock, settings);
                json["markerRestored"] = *unmarked.markerRestored;
                if (const std::optional<OutcomeText> notice = IncompleteImageText(unmarked)) {
                    report({true, notice->text, {}});
                }
            }
            if (request.runNew) {
                report({true, "The new image was not started: the read-back did not confirm it.",
                        {}});
            }
            return code;
        }
    }
    if (request.runNew) {
        Json restart = Json::object();
        if (!StartNewImageAndRestart(restart)) code = ExitCode::Failed;
        json["restart"] = restart;
    }
    return code;
}

bool CameraJob::ReadBack(const UploadSettings& settings, Json& json) {
    const std::optional<std::vector<uint8_t>> expected = CommittedEepromContents(settings);
    if (!expected) {
        json["result"] = "failed";
        report({true, "Read back: the image could not be read again", {}});
        return false;
    }
    const int task = session.output.BeginProgress(
        label == "Upload" ? "Read back" : label + " read back", expected->size(), 1, "bytes");
    const ReadBackOutcome outcome =
        ReadBackEeprom({session.cameras, cameraPath}, *expected, [&](std::size_t bytesRead) {
            session.output.AdvanceProgress(task, bytesRead);
            return !session.StopRequested();
        });
    session.output.EndProgress(task);

    using ReadBack = ReadBackOutcome::Result;
    json["bytes"] = outcome.bytesRead;
    json["protocolLevel"] = outcome.level;
    json["firstDifference"] =
        outcome.firstDifference ? Json(*outcome.firstDifference) : Json(nullptr);
    switch (outcome.result) {
        case ReadBack::Match:
            json["result"] = "match";
            report(
                {false,
                 "Read back: all " + std::to_string(outcome.bytesRead) + " bytes match the image",
                 {}});
            return true;
        case ReadBack::Mismatch:
            json["result"] = "mismatch";
            json["expected"] = outcome.expected;
            json["actual"] = outcome.actual;
            report({true,
                    "Read back: the EEPROM differs from the image at offset " +
                        Hex(*outcome.firstDifference, 4) + " (EEPROM " + Hex(outcome.actual, 2) +
                        ", image " + Hex(outcome.expected, 2) + ")",
                    {}});
            return false;
        case ReadBack::NotSupported:
            json["result"] = "notSupported";
            report({true,
                    "Read back: this camera's firmware has no EEPROM reads (protocol level " +
                        std::to_string(outcome.level) + ")",
                    "Upload without --readback; every block was still checked as it was "
                    "written unless --no-verify was given."});
            return false;
        case ReadBack::Cancelled:
            json["result"] = "cancelled";
            report({true,
                    "Read back stopped after " + std::to_string(outcome.bytesRead) +
                        " bytes; the image itself was committed",
                    {}});
            return false;
        case ReadBack::Failed:
            break;
    }
    json["result"] = "failed";
    report({true,
            "Read back failed after " + std::to_string(outcome.bytesRead) +
                " bytes: " + std::string(VersionReadFailureText(outcome.code)),
            {}});
    return false;
}

bool CameraJob::StartNewImageAndRestart(Json& json) {
    const CameraTarget target{session.cameras, cameraPath};
    if (!StartNewImage(target)) {
        json["result"] = "jumpFailed";
        report({true, std::string(kJumpErrorText), {}});
        return false;
    }
    report({false, "Restarting the camera so that it runs the new image", {}});
    const RestartOutcome restarted = RestartCamera(session.installer, session.clock, cameraPath);
    json["needsReboot"] = restarted.needsReboot;
    const std::optional<std::string> notice = RestartNoticeText(restarted);
    if (restarted.result == RestartOutcome::Result::Restarted) {
        json["result"] = "restarted";
        report({false, notice.value_or("The camera was restarted."), {}});
        return true;
    }
    json["result"] = "failed";
    std::string hint;
    if (restarted.lastError == kErrorAccessDenied && session.platform) {
        hint = session.platform->RestartRightsAdvice();
    }
    report({true, notice.value_or("The camera could not be restarted."), hint});
    return false;
}

}  // namespace kestrovane::cli
