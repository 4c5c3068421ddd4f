#pragma once

#include <functional>
#include <string>

#include "cli/CliSession.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"
#include "upload/UploadOutcome.h"
#include "upload/UploadSettings.h"

namespace kestrovane::cli {

// One thing a camera job has to say: an event or an error, and for an error
// what the user can do about it.
struct JobReport {
    bool error = false;
    std::string text;
    std::string hint;
};

// One camera's upload as every upload command runs it: the image written
// (or checked, in verify only) with progress and Ctrl+C as the stop request;
// then, for an image that was committed, the read-back and the start of the
// new image when they are asked for.
struct CameraJob {
    CliSession& session;
    const UploadRequest& request;
    std::string cameraPath;
    // How the progress line names this camera's work ("Upload", "camera 2").
    std::string label;
    // Hears each report as it comes.
    std::function<void(const JobReport&)> report;

    // Runs the job; the camera's part of the JSON document goes to `json`.
    ExitCode Run(Json& json);

private:
    bool ReadBack(const UploadSettings& settings, Json& json);
    bool StartNewImageAndRestart(Json& json);
};

// Reads and checks the image before any camera is looked for: a file that
// cannot be used is the user's input, not the camera's failure. Reports the
// dialog's refusal when it cannot be used.
bool CheckUploadImage(CliSession& session, const UploadRequest& request);

// What the engine is given for `request` on the camera under `cameraPath`.
UploadSettings SettingsOf(const UploadRequest& request, const std::string& cameraPath);

// The exit status of one camera's outcome.
ExitCode ExitCodeOf(const UploadOutcome& outcome);

// An outcome as the JSON documents show it.
Json OutcomeJson(const UploadOutcome& outcome);

}  // namespace kestrovane::cli
