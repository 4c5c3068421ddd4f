#pragma once

#include <string>

#include "app/DialogHost.h"
#include "app/ProgramPath.h"
#include "app/SimulationMenu.h"
#include "camera/CameraClaim.h"
#include "camera/CameraPath.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/DeviceInstaller.h"
#include "camera/WindowList.h"

namespace kestrovane {

// The platform services the application's dialogs work with.
struct AppServices {
    DialogHost& dialogHost;
    ProgramPath& programPath;
    Clock& clock;
    // The cameras: the video capture devices, the desktop's windows (the
    // caption claim), the claims shared between copies, and the path of the
    // camera that FindCamera chose last.
    CameraPort& cameras;
    WindowList& windows;
    CameraClaims& claims;
    CameraPath& cameraPath;
    // The system's device installer: restarts a camera after "New bin works".
    DeviceInstaller& installer;
    // Present when the cameras are simulated: the system menu then offers to
    // unplug the camera and to plug a new one in.
    SimulationMenu* simulationMenu = nullptr;
    // Shows the main dialog's Advanced button (hidden by its template).
    bool showAdvancedButton = false;
    // --log FILE: every camera a run serves gets a record there; empty: none.
    std::string operationLogFile{};
};

}  // namespace kestrovane
