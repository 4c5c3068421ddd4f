#pragma once

#include "app/UploadDialog.h"
#include "app/UploadHost.h"
#include "app/UploadOptions.h"

namespace kestrovane {

// The main dialog as its workers (the single run, the auto run, the restart
// of a new image) see it.
class DialogUploadHost final : public UploadHost {
public:
    explicit DialogUploadHost(UploadDialog& dialog) : dialog_(dialog) {}
    DialogWindow& Window() override { return dialog_.Window(); }
    std::atomic<int32_t>& UploadRunning() override { return dialog_.uploadRunning; }
    std::atomic<int32_t>& RestartPending() override { return dialog_.restartPending; }
    std::atomic<int32_t>& CurrentCameraDone() override { return dialog_.currentCameraDone; }
    std::string IdleButtonText() override {
        return IdleUploadButtonText({dialog_.verifyAfterWrite != 0, dialog_.verifyOnly != 0,
                                     dialog_.autoUpload != 0, dialog_.runNewBin != 0});
    }
    bool Closing() override { return dialog_.Closing(); }
    void CountFinish() override { dialog_.CountFinish(); }
    int Report(const MessageReport& message) override { return dialog_.WorkerReport(message); }

private:
    UploadDialog& dialog_;
};

}  // namespace kestrovane
