#pragma once

#include <string>

#include "camera/CameraClaim.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/DeviceInstaller.h"
#include "camera/WindowList.h"
#include "cli/CliPlatform.h"
#include "cli/CliRequests.h"
#include "cli/Console.h"
#include "cli/Output.h"

namespace kestrovane::cli {

class SimulatedCameras;
class TracingCameraPort;

// What a command works with: the cameras (the machine's or the simulated
// ones), the claims and captions shared with other copies, the device
// installer, the clock, the console and the output.
struct CliSession {
    const GlobalOptions& global;
    Console& console;
    Output& output;
    Clock& clock;
    CameraPort& cameras;
    WindowList& windows;
    CameraClaims& claims;
    DeviceInstaller& installer;
    // The machine's own services; null when simulating.
    CliPlatform* platform = nullptr;
    // The simulated cameras; null unless simulating.
    SimulatedCameras* simulated = nullptr;
    // The request trace of --verbose; null without it.
    TracingCameraPort* tracing = nullptr;

    bool StopRequested() const { return console.stopRequested.load() != 0; }
};

}  // namespace kestrovane::cli
