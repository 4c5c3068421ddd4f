#include "app/NewImageCompletion.h"

#include "app/UploadDialogIds.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIconExclamation;

constexpr std::string_view kReplug =
    " Unplug the camera and plug it in again to run the new image.";

MessageReport Notice(std::string text) {
    return {std::move(text), "Error", kIconError};
}

}  // namespace

std::optional<MessageReport> RestartNotice(const RestartOutcome& outcome) {
    using Result = RestartOutcome::Result;
    switch (outcome.result) {
        case Result::NoDeviceList:
            return Notice(
                "The camera could not be restarted: the system's list of devices could "
                "not be read." +
                std::string(kReplug));
        case Result::NoMatchingDevice:
            return Notice(
                "The camera could not be restarted: it was not found among the "
                "system's devices." +
                std::string(kReplug));
        case Result::DisableFailed:
            return Notice("The camera could not be restarted: the system did not stop it." +
                          std::string(kReplug));
        case Result::LeftDisabled:
            return Notice(
                "The camera was stopped but could not be started again. It stays "
                "disabled until you enable it again in the system's device manager.");
        case Result::Restarted:
            break;
    }
    if (outcome.needsReboot) {
        return MessageReport{
            "The system asks for a restart of the computer before the camera "
            "runs its new image.",
            std::nullopt, kIconExclamation};
    }
    return std::nullopt;
}

void CompleteNewImageUpload(UploadHost& host, DeviceInstaller& installer, Clock& clock,
                            const std::string& cameraPath) {
    DialogWindow& window = host.Window();
    const std::string statusBefore = window.ItemText(kStatusText);
    window.SetItemText(kStatusText, kStatusRestarting);
    const RestartOutcome restarted = RestartCamera(installer, clock, cameraPath);
    window.SetItemText(kStatusText, statusBefore);
    host.Report({"Upload finish", std::nullopt, message_box::kOk});
    host.CountFinish();
    window.SetItemText(kUploadButton, host.IdleButtonText());
    if (const std::optional<MessageReport> notice = RestartNotice(restarted)) host.Report(*notice);
}

}  // namespace kestrovane
