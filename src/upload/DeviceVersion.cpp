#include "upload/DeviceVersion.h"

#include <array>
#include <span>

#include "camera/CommandSet.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"
#include "image/FieldOffsets.h"
#include "image/VersionText.h"

namespace kestrovane {

namespace {

// Both version fields, read as one block from the first.
constexpr uint16_t kVersionAreaOffset = kBinVersionOffset;
constexpr std::size_t kVersionAreaLength = 2 * kVersionFieldLength;

// The three erase requests; false at the first that fails, the rest unsent.
bool SendEraseRequests(XuLink& link) {
    XuRequest setOffset = EeSetOffsetRequest(0);
    if (!link.Set(EepromChannel, setOffset)) return false;
    XuRequest dataWord = EeDataWordRequest(0xFF, 0xFF);
    if (!link.Set(EepromChannel, dataWord)) return false;
    XuRequest endBlock = EeEndBlockRequest(dataWord);
    return link.Set(EepromChannel, endBlock);
}

}  // namespace

DeviceVersions ReadDeviceVersions(const CameraTarget& camera) {
    DeviceVersions versions;
    if (IsXuProtocolSupported(camera) != 1) return versions;
    versions.supported = true;
    // Zeroed first: a word that was never read shows as the end of the text.
    std::array<uint8_t, kVersionAreaLength> area{};
    versions.result = ReadEepromBlock(camera, area, kVersionAreaOffset);
    const std::span<const uint8_t> bytes(area);
    versions.binVersion = decodeVersionText(bytes.first(kVersionFieldLength));
    versions.hwVersion = decodeVersionText(bytes.subspan(kVersionFieldLength));
    return versions;
}

EraseResult EraseImage(const CameraTarget& camera) {
    if (MakeEepromWritable(camera) != 1) return EraseResult::NotWritable;
    XuLink link;
    if (link.Open(camera) != XU_OK) {
        return link.FailedStep() == XuLink::Step::OpenCamera ? EraseResult::NoDevice
                                                             : EraseResult::NotSupported;
    }
    return SendEraseRequests(link) ? EraseResult::Erased : EraseResult::TransferFailed;
}

}  // namespace kestrovane
