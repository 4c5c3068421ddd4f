#pragma once

#include <string>

#include "app/UploadHost.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "upload/UploadOutcome.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// One upload or verify run of the main dialog, from start to end: writes the
// camera, reports the outcome in a message box and, after a good upload,
// counts it or (with "New bin works") starts the new image and leaves the
// rest to the completion timer. Then the wind-down gives the dialog back:
// progress bar hidden, `uploadRunning` 0, the idle button label and the
// caption "Pelloric" (kept, with the camera, when a restart is pending).
// Always returns 0.
int uploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                 const UploadSettings& settings);

// The auto run of the main dialog: serves the cameras plugged in one after the
// other under the clicked camera's path and reports each in the status line,
// until Stop or a close ends it; then the same wind-down as a single run.
// Always returns 0.
int autoUploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                     const UploadSettings& settings);

// --log: the record of one camera a run served (a single run, or one camera
// of an auto run), while the camera is still attached; nothing without a log.
void LogDialogRun(const UploadSettings& settings, CameraPort& cameras,
                  const UploadOutcome& outcome, const std::string& operation, double seconds);

}  // namespace kestrovane
