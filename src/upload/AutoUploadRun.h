#pragma once

#include <atomic>
#include <cstdint>

#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "upload/CameraWriter.h"
#include "upload/UploadOutcome.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// Where an auto run stands with the camera under its path.
enum class AutoUploadState {
    Waiting,   // no camera under the path
    Settling,  // a camera not yet served was found; it is given time to settle
    Writing,   // the camera is being written
    Done,      // the attached camera was served; it is left alone until unplugged
    Ended,     // the run is over
};

// How often an auto run looks for its camera, and how long a camera that
// appeared is left alone before its first request.
inline constexpr uint32_t kAutoLookPauseMs = 100;
inline constexpr uint32_t kAutoSettleMs = 2000;

// What the front end of an auto run sees: the blocks of each camera (as in a
// single run), the run's state, and the outcome of each pass.
class AutoUploadObserver : public WriteObserver {
public:
    // The run entered `state` (each change is told once).
    virtual void StateChanged(AutoUploadState state) = 0;
    // One pass over the attached camera ended with `outcome`. Returning false
    // ends the whole run.
    virtual bool CameraServed(const UploadOutcome& outcome) = 0;
};

// The flags an auto run shares with its front end.
struct AutoUploadFlags {
    // 1 while the run goes on; the front end clears it to end the run, which
    // then ends at the top of the next block or of the next pass.
    std::atomic<int32_t>& running;
    // 1 once the attached camera was served well; cleared when a look finds
    // no camera. The run starts with it cleared.
    std::atomic<int32_t>& currentCameraDone;
};

// Serves a stream of cameras plugged in one after the other under
// `settings.cameraPath`: every 100 ms it looks for the camera; a camera not
// yet served is left to settle for 2000 ms and then written as a single run
// writes it (the image file is read anew for each camera). A camera whose
// pass failed is tried again, 100 ms + a look + 2000 ms later, for as long as
// it stays attached; a camera served well is left alone until it is gone.
// The stop request is looked at after the settling pause too, so a stop
// during settling never reaches the camera.
void RunAutoUpload(CameraPort& cameras, Clock& clock, const UploadSettings& settings,
                   AutoUploadFlags flags, AutoUploadObserver& observer);

}  // namespace kestrovane
