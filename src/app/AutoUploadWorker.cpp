#include "app/BlockProgress.h"
#include "app/UploadDialogIds.h"
#include "app/UploadWorker.h"
#include "upload/AutoUploadRun.h"

namespace kestrovane {

namespace {

// The auto run as the dialog shows it: every camera's outcome in the status
// line, a progress bar per camera.
class AutoRunObserver final : public AutoUploadObserver {
public:
    AutoRunObserver(UploadHost& host, CameraPort& cameras, Clock& clock,
                    const UploadSettings& settings)
        : host_(host), window_(host.Window()), cameras_(cameras), clock_(clock),
          settings_(settings) {}

    void StateChanged(AutoUploadState state) override {
        if (state == AutoUploadState::Waiting) window_.SetItemText(kStatusText, kStatusNoCamera);
    }
    bool BeginBlocks(std::size_t blockCount) override {
        passStartedMs_ = clock_.NowMs();
        ShowBlockProgress(window_, blockCount);
        window_.SetItemText(kStatusText, kStatusUploadGoing);
        return true;
    }
    void BeginBlock(std::size_t index) override { ShowBlockPosition(window_, index); }
    bool StopRequested() override { return host_.UploadRunning() == 0; }

    bool CameraServed(const UploadOutcome& outcome) override {
        HideBlockProgress(window_);
        LogDialogRun(settings_, cameras_, outcome, "auto",
                     static_cast<double>(clock_.NowMs() - passStartedMs_) / 1000.0);
        if (outcome.result == UploadOutcome::Result::Committed) host_.CountFinish();
        const AutoRunReport report = AutoPassReport(outcome);
        if (report.message) host_.Report(*report.message);
        if (report.status) window_.SetItemText(kStatusText, *report.status);
        return !report.endsRun;
    }

private:
    UploadHost& host_;
    DialogWindow& window_;
    CameraPort& cameras_;
    Clock& clock_;
    const UploadSettings& settings_;
    uint64_t passStartedMs_ = 0;
};

}  // namespace

int autoUploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                     const UploadSettings& settings) {
    DialogWindow& window = host.Window();
    window.InitializeCom();
    // As in the single run: the flag first, then the look at a close.
    host.UploadRunning() = 1;
    if (!host.Closing()) {
        window.SetItemText(kUploadButton, "Stop");
        AutoRunObserver observer(host, cameras, clock, settings);
        RunAutoUpload(cameras, clock, settings, {host.UploadRunning(), host.CurrentCameraDone()},
                      observer);
    }
    // Every way out (Stop, a close, a cancel at a block, a camera that
    // refuses writes) gives the dialog back as a single run does.
    HideBlockProgress(window);
    host.UploadRunning() = 0;
    window.SetItemText(kUploadButton, host.IdleButtonText());
    window.SetCaption("Pelloric");
    return 0;
}

}  // namespace kestrovane
