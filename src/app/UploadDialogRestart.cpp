// "New bin works": the completion timer hands the camera's restart to the
// dialog's worker thread, which restarts the camera, reports and counts, and
// only then gives the camera back.
#include "app/DialogUploadHost.h"
#include "app/NewImageCompletion.h"
#include "app/UploadDialog.h"

namespace kestrovane {

bool UploadDialog::RestartAwaited() {
    std::lock_guard lock(restartLock_);
    return restartPending != 0 || pendingRestart_.has_value();
}

void UploadDialog::OnTimer(int /*timerId*/) {
    // The run that asked for the restart may still be winding down, and a
    // tick can arrive inside any message box: the restart starts once no
    // worker is alive, and only once, since the flag is cleared first.
    if (restartPending == 0 || WorkerActive() || closeInProgress_) return;
    restartPending = 0;
    StartWorker([this] { CompletePendingRestart(); });
}

void UploadDialog::CompletePendingRestart() {
    std::optional<PendingRestart> pending;
    {
        std::lock_guard lock(restartLock_);
        pending.swap(pendingRestart_);
    }
    const std::string path = pending ? pending->cameraPath : services_.cameraPath.Get();
    DialogUploadHost host(*this);
    CompleteNewImageUpload(host, services_.installer, services_.clock, path);
    // Only now may another copy (or this one) take the camera.
    Window().SetCaption("Pelloric");
}

void UploadDialog::FinishRestartBeforeClosing() {
    if (restartPending.exchange(0) == 0) return;
    CompletePendingRestart();
}

}  // namespace kestrovane
