#include "upload/EepromReadBack.h"

#include <algorithm>

#include "camera/CommandSet.h"
#include "camera/Transport.h"
#include "image/FieldOffsets.h"
#include "upload/UploadImage.h"

namespace kestrovane {

std::optional<std::vector<uint8_t>> CommittedEepromContents(const UploadSettings& settings) {
    UploadImage image = LoadUploadImage(settings.imagePath, settings.eepromType);
    if (image.status != ImageLoadStatus::Ok) return std::nullopt;
    image.bytes[kMarkerOffset] = kMarkerComplete;
    return std::move(image.bytes);
}

ReadBackOutcome ReadBackEeprom(const CameraTarget& camera, std::span<const uint8_t> expected,
                               const std::function<bool(std::size_t bytesRead)>& onProgress) {
    using Result = ReadBackOutcome::Result;
    ReadBackOutcome outcome;
    XuLink link;
    if (const int opened = link.Open(camera); opened != XU_OK) {
        outcome.code = opened;
        return outcome;
    }
    if (const int probed = QueryXuProtocol(link, outcome.level); probed != XU_OK) {
        outcome.code = probed;
        return outcome;
    }
    if (outcome.level != 1 && outcome.level != 2) {
        outcome.result = Result::NotSupported;
        return outcome;
    }
    // Word reads address 16 bits, which every EEPROM of the family fits.
    for (std::size_t offset = 0; offset < expected.size(); offset += 2) {
        uint8_t word[2] = {};
        const int read = ReadEepromWord(link, outcome.level, word, static_cast<uint16_t>(offset));
        if (read != XU_OK) {
            outcome.code = read;
            return outcome;
        }
        const std::size_t count = std::min<std::size_t>(2, expected.size() - offset);
        for (std::size_t k = 0; k < count; ++k) {
            if (word[k] == expected[offset + k]) continue;
            outcome.result = Result::Mismatch;
            outcome.bytesRead = offset + count;
            outcome.firstDifference = offset + k;
            outcome.expected = expected[offset + k];
            outcome.actual = word[k];
            return outcome;
        }
        outcome.bytesRead = offset + count;
        if (onProgress && !onProgress(outcome.bytesRead)) {
            outcome.result = Result::Cancelled;
            return outcome;
        }
    }
    outcome.result = Result::Match;
    return outcome;
}

}  // namespace kestrovane
