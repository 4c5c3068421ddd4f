// upload, verify and upload --all.
#include <memory>
#include <thread>
#include <vector>

#include "camera/Discovery.h"
#include "cli/CameraChoice.h"
#include "cli/CameraJob.h"
#include "cli/Commands.h"
#include "cli/TracingCameraPort.h"

namespace kestrovane::cli {

namespace {

ExitCode UploadOne(CliSession& session, const UploadRequest& request) {
    std::optional<ChosenCamera> camera = ChooseCamera(session, request.camera);
    if (!camera) return ExitCode::NoCamera;
    Output& output = session.output;
    CameraJob job{session, request, camera->path, request.verifyOnly ? "Verify" : "Upload",
                  [&](const JobReport& report) {
                      if (report.error) {
                          output.Error(report.text);
                          if (!report.hint.empty()) output.Hint(report.hint);
                      } else {
                          output.Notice(report.text);
                      }
                  }};
    return job.Run(output.Document());
}

// Every free camera at once: each is claimed in one walk and written by a
// thread of its own; one result line per camera, then a summary.
ExitCode UploadAll(CliSession& session, const UploadRequest& request) {
    Output& output = session.output;
    std::vector<ClaimedCamera> cameras =
        FindAllCameras(session.cameras, session.windows, session.clock, session.claims);
    if (cameras.empty()) {
        output.Error("No device");
        output.Hint(
            "No free Tovrine camera was found; `kestrovane-cli list` shows every video device "
            "and which cameras other copies hold.");
        output.Document()["cameras"] = Json::array();
        return ExitCode::NoCamera;
    }
    if (session.tracing) session.tracing->ShowPaths(true);

    struct Run {
        std::string path;
        std::vector<JobReport> reports;
        Json json = Json::object();
        ExitCode code = ExitCode::Done;
    };
    std::vector<Run> runs(cameras.size());
    std::vector<std::thread> threads;
    for (std::size_t index = 0; index < cameras.size(); ++index) {
        runs[index].path = cameras[index].path;
        threads.emplace_back([&session, &request, &run = runs[index], index] {
            CameraJob job{session, request, run.path, "camera " + std::to_string(index + 1),
                          [&run](const JobReport& report) { run.reports.push_back(report); }};
            run.code = job.Run(run.json);
        });
    }
    for (std::thread& thread : threads) thread.join();

    Json results = Json::array();
    std::size_t succeeded = 0;
    for (const Run& run : runs) {
        std::string line = run.path + ":";
        for (std::size_t k = 0; k < run.reports.size(); ++k) {
            line += (k == 0 ? " " : "; ") + run.reports[k].text;
        }
        output.Line(line);
        if (run.code == ExitCode::Done) ++succeeded;
        results.push_back(run.json);
    }
    const std::size_t failed = runs.size() - succeeded;
    output.Line(std::to_string(runs.size()) + (runs.size() == 1 ? " camera: " : " cameras: ") +
                std::to_string(succeeded) + " done, " + std::to_string(failed) + " failed");
    output.Document()["cameras"] = results;
    output.Document()["summary"] = {
        {"cameras", runs.size()}, {"succeeded", succeeded}, {"failed", failed}};
    if (failed == 0) return ExitCode::Done;
    output.Error(std::to_string(failed) + " of " + std::to_string(runs.size()) + " cameras failed");
    return ExitCode::Failed;
}

}  // namespace

ExitCode RunUpload(CliSession& session, const UploadRequest& request) {
    if (!CheckUploadImage(session, request)) return ExitCode::BadInput;
    return request.all ? UploadAll(session, request) : UploadOne(session, request);
}

}  // namespace kestrovane::cli
