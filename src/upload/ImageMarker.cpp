#include "upload/ImageMarker.h"

#include <span>

#include "camera/CommandSet.h"
#include "camera/Transport.h"
#include "image/FieldOffsets.h"
#include "upload/BlockRequests.h"
#include "upload/UploadImage.h"

namespace kestrovane {

ImageState ImageStateOf(uint8_t marker) {
    switch (marker) {
        case kMarkerComplete:
            return ImageState::Complete;
        case kMarkerUploadStarted:
            return ImageState::Incomplete;
        case 0xFF:
            return ImageState::Erased;
        default:
            return ImageState::Unknown;
    }
}

std::string_view ImageStateName(ImageState state) {
    switch (state) {
        case ImageState::Complete:
            return "complete";
        case ImageState::Incomplete:
            return "incomplete";
        case ImageState::Erased:
            return "erased";
        case ImageState::Unknown:
            break;
    }
    return "unknown";
}

MarkerRead ReadImageMarker(const CameraTarget& camera) {
    MarkerRead read;
    uint8_t word[2] = {0, 0};
    read.result = ReadEepromWord(camera, word, kMarkerOffset);
    if (read.result == XU_OK) read.marker = word[0];
    return read;
}

bool MarkImageIncomplete(const CameraTarget& camera, Clock& clock, const UploadSettings& settings) {
    UploadImage image = LoadUploadImage(settings.imagePath, settings.eepromType);
    if (image.status != ImageLoadStatus::Ok || image.BlockCount() == 0) return false;
    if (MakeEepromWritable(camera) != 1) return false;
    XuLink link;
    if (link.Open(camera) != XU_OK) return false;
    const std::span<uint8_t> header = std::span<uint8_t>(image.bytes).first(image.blockSize);
    header[kMarkerOffset] = kMarkerUploadStarted;
    XuRequest lastDataWord{};
    if (SendBlock(link, 0, header, true, lastDataWord) != BlockSendResult::Ok) return false;
    clock.SleepMs(settings.blockDelayMs);
    XuRequest checkRequest = EeCheckBlockRequest(kMarkerUploadStarted, header[1]);
    return CheckBlock(link, checkRequest) == BlockCheckResult::Match;
}

}  // namespace kestrovane
