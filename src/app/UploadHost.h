#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "app/DialogWindow.h"
#include "app/UploadReports.h"

namespace kestrovane {

// What the main dialog's workers (the single run, the auto run, the restart
// of a new image) need from the dialog that started them: the window they
// report to and the fields they share with the user-interface thread.
class UploadHost {
public:
    virtual ~UploadHost() = default;

    virtual DialogWindow& Window() = 0;
    // 1 while the blocks are being sent; the user-interface thread clears it
    // to ask the worker to stop at the top of its next block.
    virtual std::atomic<int32_t>& UploadRunning() = 0;
    // Set after a good jump to the new image; the completion timer restarts
    // the camera and counts the upload.
    virtual std::atomic<int32_t>& RestartPending() = 0;
    // Auto upload: the attached camera was served well.
    virtual std::atomic<int32_t>& CurrentCameraDone() = 0;
    // The Upload button's label while nothing runs, as the options say now.
    virtual std::string IdleButtonText() = 0;
    // The dialog is ending: a worker that has not begun its blocks yet sends
    // none.
    virtual bool Closing() = 0;
    // One more finished upload: the count goes up, is saved and shown.
    virtual void CountFinish() = 0;
    // A message box of the worker, owned by the dialog; returns the answer.
    virtual int Report(const MessageReport& message) = 0;
};

}  // namespace kestrovane
