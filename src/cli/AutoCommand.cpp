// auto: the auto-upload stream in a terminal.
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "cli/CameraChoice.h"
#include "cli/CameraJob.h"
#include "cli/Commands.h"
#include "cli/OperationLogging.h"
#include "cli/SimulatedCameras.h"
#include "image/EepromType.h"
#include "upload/AutoUploadRun.h"
#include "upload/OutcomeTexts.h"

namespace kestrovane::cli {

namespace {

// How often the watcher looks for Ctrl+C while the run waits for a camera.
constexpr auto kStopLookPause = std::chrono::milliseconds(20);

// The auto run as the terminal shows it: the waiting and the writing as the
// dialog's status line words them, a progress line per camera, and one line
// per camera served on standard output.
class TerminalAutoObserver final : public AutoUploadObserver {
public:
    TerminalAutoObserver(CliSession& session, const AutoRequest& request, std::string path)
        : session_(session), request_(request), path_(std::move(path)) {}

    void StateChanged(AutoUploadState state) override {
        if (state != AutoUploadState::Waiting) return;
        session_.output.Notice("Operation status: No camera");
        // The simulated line's next camera, once the run has seen the last
        // one gone (a camera swapped between two looks would pass for the
        // same one).
        if (nextCameraOwed_) {
            nextCameraOwed_ = false;
            session_.simulated->PlugInNewCamera(path_);
        }
    }
    bool BeginBlocks(std::size_t blockCount) override {
        session_.output.Notice("Operation status: Upload is going...");
        passStartedMs_ = session_.clock.NowMs();
        blockCount_ = blockCount;
        task_ = session_.output.BeginProgress("camera " + std::to_string(passes_ + 1), blockCount,
                                              uploadBlockSize(request_.upload.eeprom), "blocks");
        return true;
    }
    void BeginBlock(std::size_t index) override { session_.output.AdvanceProgress(task_, index); }
    bool StopRequested() override { return session_.StopRequested(); }

    bool CameraServed(const UploadOutcome& outcome) override {
        if (task_ >= 0) {
            if (outcome.Succeeded()) session_.output.AdvanceProgress(task_, blockCount_);
            session_.output.EndProgress(task_);
            task_ = -1;
        }
        ++passes_;
        const AutoPassText pass = AutoPassOutcomeText(outcome);
        const std::string text = pass.status ? *pass.status : pass.message->text;
        session_.output.Line("camera " + std::to_string(passes_) + ": " + path_ + ": " + text);
        Json json = Json::object();
        json["pass"] = passes_;
        json["camera"] = path_;
        json.update(OutcomeJson(outcome));
        json["seconds"] =
            passStartedMs_ ? Json(static_cast<double>(session_.clock.NowMs() - *passStartedMs_) /
                                  1000.0)
                           : Json(nullptr);
        passStartedMs_.reset();
        json["status"] = text;
        passesJson_.push_back(json);
        LogPass(json);
        lastPassFailed_ = !outcome.Succeeded();
        endedOnFailure_ = outcome.result == UploadOutcome::Result::Cancelled || pass.endsRun;
        if (pass.message) session_.output.Error(pass.message->text);
        if (outcome.Succeeded()) {
            ++served_;
            // The simulated line takes the camera away and hands over the next.
            if (session_.simulated) {
                session_.simulated->UnplugCamera(path_);
                nextCameraOwed_ = true;
            }
        } else {
            ++failed_;
        }
        if (request_.count > 0 && served_ >= request_.count) return false;
        return !pass.endsRun;
    }

    int Served() const { return served_; }
    int Failed() const { return failed_; }
    bool EndedOnFailure() const { return endedOnFailure_ || lastPassFailed_; }
    const Json& Passes() const { return passesJson_; }

    // --log: the pass's record, while the camera is still attached. The notes
    // are read again for every pass: each camera of the stream has its own serial.
    void LogPass(const Json& pass) {
        if (session_.global.logFile.empty()) return;
        OperationLogging logging(session_);
        OperationRecord record = logging.Begin("auto", path_);
        RecordImage(record, request_.upload.image);
        logging.Finish(std::move(record), pass);
    }

private:
    bool nextCameraOwed_ = false;
    CliSession& session_;
    const AutoRequest& request_;
    std::string path_;
    std::size_t blockCount_ = 0;
    int task_ = -1;
    std::optional<uint64_t> passStartedMs_;  // when this pass's blocks began
    int passes_ = 0;
    int served_ = 0;
    int failed_ = 0;
    bool lastPassFailed_ = false;
    bool endedOnFailure_ = false;
    Json passesJson_ = Json::array();
};

}  // namespace

ExitCode RunAuto(CliSession& session, const AutoRequest& request) {
    Output& output = session.output;
    if (!CheckUploadImage(session, request.upload)) return ExitCode::BadInput;
    // With --camera the stream may start before its first camera is plugged in.
    std::optional<ChosenCamera> camera = ChooseCamera(session, request.upload.camera, true);
    if (!camera) return ExitCode::NoCamera;
    output.Document()["camera"] = camera->path;
    output.Notice("Auto upload under " + camera->path + "; Ctrl+C stops it.");

    std::atomic<int32_t> running{1};
    std::atomic<int32_t> currentCameraDone{0};
    // Ctrl+C also ends the waits between cameras, where no block asks.
    std::atomic<bool> over{false};
    std::thread watcher([&] {
        while (!over) {
            if (session.StopRequested()) running = 0;
            std::this_thread::sleep_for(kStopLookPause);
        }
    });
    TerminalAutoObserver observer(session, request, camera->path);
    RunAutoUpload(session.cameras, session.clock, SettingsOf(request.upload, camera->path),
                  {running, currentCameraDone}, observer);
    over = true;
    watcher.join();

    output.Line(std::to_string(observer.Served()) + " camera(s) served, " +
                std::to_string(observer.Failed()) + " pass(es) failed");
    output.Document()["passes"] = observer.Passes();
    output.Document()["served"] = observer.Served();
    output.Document()["failedPasses"] = observer.Failed();
    return observer.EndedOnFailure() ? ExitCode::Failed : ExitCode::Done;
}

}  // namespace kestrovane::cli
