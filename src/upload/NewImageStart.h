#pragma once

#include "camera/Discovery.h"

namespace kestrovane {

// Tells a freshly written camera to run its new image: the jump request, then
// one register read (address 0, access 1) whose value is not needed. The
// camera runs the new image once the system has restarted it. False when the
// jump was refused.
bool StartNewImage(const CameraTarget& camera);

}  // namespace kestrovane
