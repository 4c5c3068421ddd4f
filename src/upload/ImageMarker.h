#pragma once

#include <cstdint>
#include <string_view>

#include "camera/Clock.h"
#include "camera/Discovery.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// What EEPROM byte 0 says about the image a camera holds.
enum class ImageState {
    Complete,    // 'A': an upload was committed
    Incomplete,  // 'B': an upload began and never finished (or was marked bad)
    Erased,      // 0xFF: erased, or never written
    Unknown,     // any other byte
};

ImageState ImageStateOf(uint8_t marker);
// The name scripts see: complete, incomplete, erased, unknown.
std::string_view ImageStateName(ImageState state);

// Reads the marker byte of the camera's EEPROM. `result` is XU_OK or the code
// of the read that failed (then `marker` holds nothing meaningful).
struct MarkerRead {
    int result = XU_NO_DEVICE;
    uint8_t marker = 0;
};
MarkerRead ReadImageMarker(const CameraTarget& camera);

// Puts the marker 'B' back in front of the image of `settings` that the
// camera holds, so that the camera does not start an image found wrong after
// its commit: block 0 of the image written again with 'B', committed and
// checked. One attempt; true when the camera confirmed the block.
bool MarkImageIncomplete(const CameraTarget& camera, Clock& clock, const UploadSettings& settings);

}  // namespace kestrovane
