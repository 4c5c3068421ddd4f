#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "camera/Discovery.h"
#include "camera/XuRequests.h"
#include "upload/UploadSettings.h"

namespace kestrovane {

// How a read of the whole EEPROM back against an image ended.
struct ReadBackOutcome {
    enum class Result {
        Match,         // every byte read equals the image
        Mismatch,      // see `firstDifference`
        NotSupported,  // the firmware speaks no level with EEPROM reads
        Cancelled,     // the caller asked to stop
        Failed,        // the camera could not be opened or a read failed; see `code`
    };
    Result result = Result::Failed;
    int code = XU_OK;
    XuProtocolLevel level = 0;
    // Bytes read and compared.
    std::size_t bytesRead = 0;
    // Mismatch: the first EEPROM offset that differs, and both bytes there.
    std::optional<std::size_t> firstDifference;
    uint8_t expected = 0;
    uint8_t actual = 0;
};

// What a committed upload of `settings` leaves in the EEPROM: the image
// padded to whole blocks with the marker 'A' in byte 0. None when the image
// cannot be loaded.
std::optional<std::vector<uint8_t>> CommittedEepromContents(const UploadSettings& settings);

// Reads the EEPROM of `camera` back from offset 0, word by word over one link
// (the probe and each word's request and reply), and compares it with
// `expected`; it stops at the first byte that differs. `onProgress` hears the
// bytes read so far after each word and may stop the read by returning false.
ReadBackOutcome ReadBackEeprom(const CameraTarget& camera, std::span<const uint8_t> expected,
                               const std::function<bool(std::size_t bytesRead)>& onProgress);

}  // namespace kestrovane
