#pragma once

#include "camera/CameraPath.h"
#include "camera/CameraPort.h"
#include "camera/Clock.h"
#include "camera/WindowList.h"

namespace kestrovane {

// What the user-interface thread's camera operations need to choose a camera
// and talk to it.
struct CameraAccess {
    CameraPort& cameras;
    WindowList& windows;
    Clock& clock;
    CameraPath& cameraPath;
};

}  // namespace kestrovane
