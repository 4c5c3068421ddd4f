#include "app/NewImageCompletion.h"

#include "app/UploadDialogIds.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane {

namespace {

using message_box::kIconError;
using message_box::kIconExclamation;

}  // namespace

std::optional<MessageReport> RestartNotice(const RestartOutcome& outcome) {
    std::optional<std::string> text = RestartNoticeText(outcome);
    if (!text) return std::nullopt;
    // A restart that did not happen is an error; a restart that asks for a
    // reboot is a warning without a caption of its own.
    if (outcome.result != RestartOutcome::Result::Restarted) {
        return MessageReport{std::move(*text), "Error", kIconError};
    }
    return MessageReport{std::move(*text), std::nullopt, kIconExclamation};
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
