#include "upload/NewImageStart.h"

#include "camera/CommandSet.h"

namespace kestrovane {

bool StartNewImage(const CameraTarget& camera) {
    if (JumpToNewImage(camera) != XU_OK) return false;
    uint16_t unused = 0;
    ReadRegister(camera, 0, unused, SENSOR_LEVEL1);
    return true;
}

}  // namespace kestrovane
