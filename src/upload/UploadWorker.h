#pragma once

#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "upload/UploadHost.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// One upload or verify run from start to end, then the wind-down that gives
// the dialog back: progress bar hidden, `uploadRunning` 0, the idle button
// label and the caption "Pelloric". Every report is a message box owned by the
// dialog. Always returns 0.
//
// The image is loaded and checked before the camera is touched. In an upload
// the first block goes out with the marker 'B' and only the final, checked
// rewrite of that block puts 'A' there, so a run that ends early never leaves
// an EEPROM that looks complete.
int uploadWorker(UploadHost& host, CameraPort& cameras, Clock& clock,
                 const UploadSettings& settings);

}  // namespace kestrovane
