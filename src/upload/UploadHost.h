#pragma once

#include <atomic>
#include <cstdint>

#include "app/DialogWindow.h"

namespace kestrovane {

// What an upload worker needs from the dialog that started it: the window it
// reports to and the fields it shares with the user-interface thread.
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
    // The "Verify only" option as it stands now: the label of the idle button.
    virtual bool VerifyOnlySelected() = 0;
    // The dialog is ending: a worker that has not begun its blocks yet sends
    // none.
    virtual bool Closing() = 0;
    // One more finished upload: the count goes up, is saved and shown.
    virtual void CountFinish() = 0;
};

}  // namespace kestrovane
