#pragma once

#include <string>

#include "camera/Discovery.h"

namespace kestrovane {

// The version texts stored in a camera's EEPROM.
struct DeviceVersions {
    // False when the camera does not speak a protocol level with EEPROM
    // reads; nothing was read then.
    bool supported = false;
    // XU_OK, or the code of the first read that failed.
    int result = XU_NO_DEVICE;
    // Decoded from what was read; bytes not read count as the end of the text.
    std::string binVersion;
    std::string hwVersion;
};

DeviceVersions ReadDeviceVersions(const CameraTarget& camera);

enum class EraseResult {
    Erased,
    NotWritable,   // the EEPROM could not be made writable; nothing was erased
    NoDevice,      // the camera was not found
    NotSupported,  // no extension unit or no property control
    TransferFailed,
};

// Erases the image: overwrites the EEPROM's first two bytes (the image's
// marker) with 0xFF, so the camera no longer boots it.
EraseResult EraseImage(const CameraTarget& camera);

}  // namespace kestrovane
