#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "camera/Discovery.h"
#include "camera/XuRequests.h"

namespace kestrovane {

// A whole EEPROM read out of a camera.
struct EepromDump {
    enum class Result {
        Read,          // `bytes` holds the whole EEPROM
        NotSupported,  // the firmware speaks no level with EEPROM reads
        Cancelled,     // the caller asked to stop
        Failed,        // the camera could not be opened or a read failed; see `code`
    };
    Result result = Result::Failed;
    int code = XU_OK;
    XuProtocolLevel level = 0;
    std::vector<uint8_t> bytes;  // what was read, up to the stop or the failure
};

// Reads `size` bytes of the EEPROM of `camera` from offset 0, word by word over
// one link, as the read-back does. `onProgress` hears the bytes read so far
// after each word and may stop the read by returning false.
EepromDump ReadWholeEeprom(const CameraTarget& camera, std::size_t size,
                           const std::function<bool(std::size_t bytesRead)>& onProgress);

}  // namespace kestrovane
