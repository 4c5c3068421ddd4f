#include "app/UploadWorker.h"

#include "app/BlockProgress.h"
#include "app/UploadDialogIds.h"
#include "camera/Discovery.h"
#include "upload/CameraWriter.h"
#include "upload/NewImageStart.h"
#include "upload/OperationLog.h"
#include "upload/OutcomeTexts.h"
#include "KestrovaneVersion.h"

namespace kestrovane {

namespace {

constexpr std::string_view kIdleCaption = "Pelloric";

// The single run as the dialog shows it: the flag goes up and the button
// reads "Stop" once the blocks begin.
class SingleRunObserver final : public WriteObserver {
public:
    explicit SingleRunObserver(UploadHost& host) : host_(host), window_(host.Window()) {}

    bool BeginBlocks(std::size_t blockCount) override {
        // A dialog that is ending gets no new transfer; it waits for this
        // worker. The flag goes up before the look: a close that comes after
        // the look finds the flag and clears it, so either way no block goes
        // out.
        host_.UploadRunning() = 1;
        if (host_.Closing()) return false;
        ShowBlockProgress(window_, blockCount);
        window_.SetItemText(kUploadButton, "Stop");
        return true;
    }
    void BeginBlock(std::size_t index) override { ShowBlockPosition(window_, index); }
    bool StopRequested() override { return host_.UploadRunning() == 0; }

private:
    UploadHost& host_;
    DialogWindow& window_;
};

}  // namespace

void LogDialogRun(const UploadSettings& settings, CameraPort& cameras,
                  const UploadOutcome& outcome, const std::string& operation, double seconds) {
    std::string why;
    // A record that cannot be written does not stop the line; the camera's
    // own outcome is what the dialog reports.
    LogUploadRun(settings, cameras, outcome, operation,
                 std::string("Kestrovane ") + KESTROVANE_VERSION, seconds, why);
}

int uploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                 const UploadSettings& settings) {
    DialogWindow& window = host.Window();
    window.InitializeCom();
    SingleRunObserver observer(host);
    const uint64_t startedMs = clock.NowMs();
    const UploadOutcome outcome = WriteCamera(cameras, clock, settings, observer);
    LogDialogRun(settings, cameras, outcome, settings.verifyOnly ? "verify" : "upload",
                 static_cast<double>(clock.NowMs() - startedMs) / 1000.0);

    bool restartHandedOver = false;
    if (outcome.result == UploadOutcome::Result::Committed && settings.runNewBin) {
        if (StartNewImage({cameras, settings.cameraPath})) {
            // The completion timer restarts the camera, reports and counts;
            // until then the camera stays this copy's.
            host.RestartPending() = 1;
            restartHandedOver = true;
        } else {
            host.Report({std::string(kJumpErrorText), std::nullopt, message_box::kOk});
        }
    } else if (const std::optional<MessageReport> report = SingleRunReport(outcome)) {
        host.Report(*report);
        if (const std::optional<MessageReport> notice = IncompleteImageNotice(outcome)) {
            host.Report(*notice);
        }
        if (outcome.result == UploadOutcome::Result::Committed) {
            host.CountFinish();
            window.SetItemText(kUploadButton, "Upload");
        } else if (outcome.result == UploadOutcome::Result::Verified) {
            window.SetItemText(kUploadButton, "Verify");
        }
    }

    HideBlockProgress(window);
    host.UploadRunning() = 0;
    window.SetItemText(kUploadButton, host.IdleButtonText());
    if (!restartHandedOver) window.SetCaption(kIdleCaption);
    return 0;
}

}  // namespace kestrovane
