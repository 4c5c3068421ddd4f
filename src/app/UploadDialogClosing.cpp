// The main dialog's worker thread and the routes that end the dialog: the
// stop-and-wait, and the hand-over of a close that came inside a worker's
// message box.
#include "app/UploadDialog.h"

namespace kestrovane {

namespace {
// How long a running transfer is given to see the stop request before the
// dialog goes on ending.
constexpr uint32_t kStopPauseMs = 500;
}  // namespace

void UploadDialog::StartWorker(std::function<void()> work) {
    JoinWorker();
    workerFinished_ = false;
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        EndIfDeferred();
        workerFinished_ = true;
    });
}

bool UploadDialog::WorkerActive() const {
    return !workerFinished_.load();
}

void UploadDialog::JoinWorker() {
    if (!worker_.joinable()) return;
    // The worker may be waiting for the window to carry out one of its calls;
    // the window keeps serving those until the worker is through.
    Window().WaitWhileServing([this] { return workerFinished_.load(); });
    worker_.join();
}

void UploadDialog::StopWorkerAndWait() {
    // A worker that has not begun its blocks yet must not begin them now.
    closing_ = true;
    if (uploadRunning.exchange(0) != 0) services_.clock.SleepMs(kStopPauseMs);
    JoinWorker();
    closing_ = false;  // the dialog may stay open when its exchange fails
}

int UploadDialog::WorkerReport(const MessageReport& message) {
    {
        std::lock_guard lock(handOverLock_);
        ++workerBoxesOpen_;
    }
    const int answer = Window().ShowMessage(message.text, message.caption, message.style);
    std::lock_guard lock(handOverLock_);
    --workerBoxesOpen_;
    return answer;
}

void UploadDialog::EndIfDeferred() {
    std::optional<int> result;
    {
        std::lock_guard lock(handOverLock_);
        result.swap(deferredEnd_);
    }
    if (result) Window().EndDialog(*result);
}

bool UploadDialog::PrepareToEnd(int result) {
    // A close delivered while an earlier one waits for the worker.
    if (closeInProgress_) return false;
    {
        std::lock_guard lock(handOverLock_);
        if (workerBoxesOpen_ > 0) {
            // A close from inside the worker's own message box: waiting for
            // the worker here would wait for the box that waits for this
            // handler. Ask the worker to stop; it ends the dialog as its
            // last step, after what it still has to tell.
            closing_ = true;
            uploadRunning = 0;
            if (!deferredEnd_) deferredEnd_ = result;  // the first close decides
            return false;
        }
    }
    closeInProgress_ = true;
    StopWorkerAndWait();
    FinishRestartBeforeClosing();
    closeInProgress_ = false;
    return true;
}

void UploadDialog::OnOK() {
    if (PrepareToEnd(kIdOk)) Dialog::OnOK();
}

void UploadDialog::OnCancel() {
    if (PrepareToEnd(kIdCancel)) Dialog::OnCancel();
}

void UploadDialog::OnWindowDestroyed() {
    // The window is gone: a worker still running only meets a window that
    // does nothing, and is waited for here at the latest; a restart still
    // owed is carried out (its reports go nowhere).
    closing_ = true;
    uploadRunning = 0;
    JoinWorker();
    FinishRestartBeforeClosing();
}

}  // namespace kestrovane
