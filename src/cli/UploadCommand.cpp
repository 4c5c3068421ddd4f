// upload, verify and upload --all.
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "camera/Discovery.h"
#include "cli/CameraChoice.h"
#include "cli/CameraJob.h"
#include "cli/CameraSelector.h"
#include "cli/Commands.h"
#include "cli/TerminalText.h"
#include "cli/DryRun.h"
#include "cli/EepromBackup.h"
#include "cli/OperationLogging.h"
#include "cli/TracingCameraPort.h"
#include "upload/DeviceVersion.h"

namespace kestrovane::cli {

namespace {

std::string OperationName(const UploadRequest& request) {
    if (request.dryRun) return "dryRun";
    return request.verifyOnly ? "verify" : "upload";
}

// The camera's record in the log, with the image it was given; a record that
// cannot be written turns a success into a failure.
ExitCode Logged(OperationLogging& logging, const UploadRequest& request, const std::string& path,
                const Json& json, ExitCode code) {
    if (!logging.Enabled()) return code;
    OperationRecord record = logging.Begin(OperationName(request), path);
    RecordImage(record, request.image);
    if (!logging.Finish(std::move(record), json) && code == ExitCode::Done) {
        return ExitCode::Failed;
    }
    return code;
}

// --backup: the whole EEPROM saved before anything is written; a backup that
// failed leaves the camera untouched.
bool TakeBackup(CliSession& session, const UploadRequest& request, const std::string& path,
                Json& json) {
    if (request.backup.empty() || request.dryRun || request.verifyOnly) return true;
    Json backup = Json::object();
    const ExitCode saved =
        SaveEeprom(session, path, UploadCapacity(request.eeprom), request.backup, "Backup", backup);
    json["backup"] = backup;
    if (saved == ExitCode::Done) return true;
    session.output.Error("Nothing was written to " + path + ": its EEPROM could not be saved first.");
    json["result"] = "notStarted";
    return false;
}

ExitCode UploadOne(CliSession& session, const UploadRequest& request) {
    if (!request.verifyOnly && RefuseToGuess(session, request.camera)) return ExitCode::BadInput;
    std::optional<ChosenCamera> camera = ChooseCamera(session, request.camera);
    if (!camera) return ExitCode::NoCamera;
    Output& output = session.output;
    OperationLogging logging(session);
    if (request.dryRun) {
        const ExitCode code = DryRun(session, request, camera->path, output.Document());
        return Logged(logging, request, camera->path, output.Document(), code);
    }
    if (!TakeBackup(session, request, camera->path, output.Document())) {
        output.Document()["camera"] = camera->path;
        return Logged(logging, request, camera->path, output.Document(), ExitCode::Failed);
    }
    CameraJob job{session, request, camera->path, request.verifyOnly ? "Verify" : "Upload",
                  [&](const JobReport& report) {
                      if (report.error) {
                          output.Error(report.text);
                          if (!report.hint.empty()) output.Hint(report.hint);
                      } else {
                          output.Notice(report.text);
                      }
                  }};
    const ExitCode code = job.Run(output.Document());
    return Logged(logging, request, camera->path, output.Document(), code);
}

// How the progress line and the result line name camera `index` (0-based).
std::string CameraLabel(std::size_t index) {
    return "camera " + std::to_string(index + 1);
}

// The USB serial numbers the platform knows, by device path.
std::map<std::string, std::string> SerialsByPath(CliSession& session) {
    std::map<std::string, std::string> serials;
    if (!session.platform) return serials;
    for (const DeviceNote& note : session.platform->DeviceNotes()) serials[note.path] = note.serial;
    return serials;
}

// The count of `--all`: a camera stopped by Ctrl+C is neither done nor failed.
struct AllSummary {
    std::size_t succeeded = 0;
    std::size_t failed = 0;
    std::size_t stopped = 0;

    void Count(ExitCode code, const Json& json) {
        if (code == ExitCode::Done) {
            ++succeeded;
        } else if (json.value("result", "") == "cancelled") {
            ++stopped;
        } else {
            ++failed;
        }
    }
    std::string Text(std::size_t cameras) const {
        std::string text = std::to_string(cameras) + (cameras == 1 ? " camera: " : " cameras: ") +
                           std::to_string(succeeded) + " done, " + std::to_string(failed) +
                           " failed";
        if (stopped > 0) text += ", " + std::to_string(stopped) + " stopped";
        return text;
    }
    Json JsonOf(std::size_t cameras) const {
        return {{"cameras", cameras},
                {"succeeded", succeeded},
                {"failed", failed},
                {"stopped", stopped}};
    }
};

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
        output.Document()["summary"] = AllSummary{}.JsonOf(0);
        return ExitCode::NoCamera;
    }
    if (session.tracing) session.tracing->ShowPaths(true);
    output.KeepProgressPlaces();
    OperationLogging logging(session);

    struct Run {
        std::string path;
        std::vector<JobReport> reports;
        Json json = Json::object();
        ExitCode code = ExitCode::Done;
        std::optional<DeviceVersions> versionsAfter;
    };
    std::vector<Run> runs(cameras.size());
    std::vector<std::thread> threads;
    for (std::size_t index = 0; index < cameras.size(); ++index) {
        runs[index].path = cameras[index].path;
        if (request.dryRun) continue;
        threads.emplace_back([&session, &request, &logging, &run = runs[index], index] {
            CameraJob job{session, request, run.path, CameraLabel(index),
                          [&run](const JobReport& report) { run.reports.push_back(report); }};
            run.code = job.Run(run.json);
            // What the camera now says it holds, for the record of the run.
            if (run.code == ExitCode::Done) {
                run.versionsAfter = ReadDeviceVersions({session.cameras, run.path});
            }
            run.code = Logged(logging, request, run.path, run.json, run.code);
        });
    }
    if (request.dryRun) {
        // Nothing is written, so nothing to wait for in parallel; one camera
        // after the other keeps each camera's lines together.
        for (Run& run : runs) {
            run.code = DryRun(session, request, run.path, run.json);
            run.code = Logged(logging, request, run.path, run.json, run.code);
        }
    }
    for (std::thread& thread : threads) thread.join();

    const std::map<std::string, std::string> serials = SerialsByPath(session);
    Json results = Json::array();
    AllSummary summary;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const Run& run = runs[index];
        std::string line = CameraLabel(index) + ": " + TerminalSafe(run.path) + ":";
        for (std::size_t k = 0; k < run.reports.size(); ++k) {
            line += (k == 0 ? " " : "; ") + run.reports[k].text;
        }
        const bool versionsRead = run.versionsAfter && run.versionsAfter->supported &&
                                  run.versionsAfter->result == XU_OK;
        if (versionsRead) {
            line += " (now " + TerminalSafe(run.versionsAfter->binVersion) + ", " +
                    TerminalSafe(run.versionsAfter->hwVersion) + ")";
        }
        output.Line(line);
        summary.Count(run.code, run.json);

        Json entry = Json::object();
        entry["number"] = index + 1;
        const auto serial = serials.find(run.path);
        entry["serial"] = serial != serials.end() && !serial->second.empty() ? Json(serial->second)
                                                                             : Json(nullptr);
        entry.update(run.json);
        entry["binVersionAfter"] = versionsRead ? Json(run.versionsAfter->binVersion) : Json(nullptr);
        entry["hwVersionAfter"] = versionsRead ? Json(run.versionsAfter->hwVersion) : Json(nullptr);
        results.push_back(entry);
    }
    output.Line(summary.Text(runs.size()));
    output.Document()["cameras"] = results;
    output.Document()["summary"] = summary.JsonOf(runs.size());
    if (summary.failed == 0 && summary.stopped == 0) return ExitCode::Done;
    if (summary.failed > 0) {
        output.Error(std::to_string(summary.failed) + " of " + std::to_string(runs.size()) +
                     " cameras failed");
    } else {
        output.Error(std::to_string(summary.stopped) + " of " + std::to_string(runs.size()) +
                     " cameras were stopped");
    }
    return ExitCode::Failed;
}

}  // namespace

ExitCode RunUpload(CliSession& session, const UploadRequest& request) {
    if (request.all) {
        session.output.UseDocumentShape(request.verifyOnly ? "verify --all" : "upload --all");
    }
    if (!CheckUploadImage(session, request)) return ExitCode::BadInput;
    return request.all ? UploadAll(session, request) : UploadOne(session, request);
}

}  // namespace kestrovane::cli
