#pragma once

#include "app/DialogHost.h"
#include "app/ProgramPath.h"
#include "camera/CameraClaim.h"
#include "camera/CameraPath.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
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
    // Shows the main dialog's Advanced button (hidden by its template).
    bool showAdvancedButton = false;
};

}  // namespace kestrovane
