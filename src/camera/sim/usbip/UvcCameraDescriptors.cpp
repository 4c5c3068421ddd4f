#include "camera/sim/usbip/UvcCameraDescriptors.h"

#include "camera/XuTypes.h"

namespace kestrovane::usbip {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Set16(std::vector<uint8_t>& out, size_t offset, uint16_t value) {
    out[offset] = static_cast<uint8_t>(value);
    out[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// A GUID in the byte order of USB descriptors (the first three fields little-endian).
void PutGuid(std::vector<uint8_t>& out, const Guid& guid) {
    Put32(out, guid.data1);
    Put16(out, guid.data2);
    Put16(out, guid.data3);
    out.insert(out.end(), guid.data4.begin(), guid.data4.end());
}

constexpr Guid kFormatYuy2{
    0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

constexpr uint8_t kCsInterface = 0x24;

std::vector<uint8_t> VideoControlDescriptors() {
    std::vector<uint8_t> out;
    // Header: UVC 1.1, one streaming interface in the collection.
    out.insert(out.end(), {13, kCsInterface, 0x01});
    Put16(out, kUvcVersion);
    const size_t totalAt = out.size();
    Put16(out, 0);
    Put32(out, 48000000);  // dwClockFrequency
    out.insert(out.end(), {1, kStreamingInterface});
    // Camera terminal without controls.
    out.insert(out.end(), {18, kCsInterface, 0x02, kCameraTerminalId});
    Put16(out, 0x0201);  // ITT_CAMERA
    out.insert(out.end(), {0, 0});
    Put16(out, 0);  // focal lengths
    Put16(out, 0);
    Put16(out, 0);
    out.insert(out.end(), {3, 0, 0, 0});
    // Processing unit with brightness and contrast (UVC 1.1 adds bmVideoStandards).
    out.insert(out.end(), {12, kCsInterface, 0x05, kProcessingUnitId, kCameraTerminalId});
    Put16(out, 0);  // wMaxMultiplier
    out.insert(out.end(), {2, 0x03, 0x00, 0, 0});
    // The vendor's extension unit: two controls, fed by the processing unit.
    out.insert(out.end(), {26, kCsInterface, 0x06, kExtensionUnitId});
    PutGuid(out, XuPropertySet);
    out.insert(out.end(), {2, 1, kProcessingUnitId, 1, 0x03, 0});
    // Output terminal: the streaming interface.
    out.insert(out.end(), {9, kCsInterface, 0x03, kOutputTerminalId});
    Put16(out, 0x0101);  // TT_STREAMING
    out.insert(out.end(), {0, kExtensionUnitId, 0});
    Set16(out, totalAt, static_cast<uint16_t>(out.size()));
    return out;
}

std::vector<uint8_t> VideoStreamingDescriptors() {
    std::vector<uint8_t> out;
    // Input header: one format, bulk endpoint, linked to the output terminal.
    out.insert(out.end(), {14, kCsInterface, 0x01, 1});
    const size_t totalAt = out.size();
    Put16(out, 0);
    out.insert(out.end(), {kStreamingEndpoint, 0, kOutputTerminalId, 0, 0, 0, 1, 0});
    // Uncompressed format, YUY2.
    out.insert(out.end(), {27, kCsInterface, 0x04, 1, 1});
    PutGuid(out, kFormatYuy2);
    out.insert(out.end(), {16, 1, 0, 0, 0, 0});
    // Its one frame, one discrete interval.
    out.insert(out.end(), {30, kCsInterface, 0x05, 1, 0});
    Put16(out, kFrameWidth);
    Put16(out, kFrameHeight);
    const uint32_t bitRate = kFrameBytes * 8 * 30;
    Put32(out, bitRate);
    Put32(out, bitRate);
    Put32(out, kFrameBytes);
    Put32(out, kFrameInterval);
    out.push_back(1);
    Put32(out, kFrameInterval);
    Set16(out, totalAt, static_cast<uint16_t>(out.size()));
    return out;
}

}  // namespace

std::vector<uint8_t> DeviceDescriptor(const CameraIdentity& identity) {
    std::vector<uint8_t> out{18, 0x01};
    Put16(out, 0x0200);
    // Miscellaneous class with interface associations.
    out.insert(out.end(), {0xEF, 0x02, 0x01, 64});
    Put16(out, identity.vendorId);
    Put16(out, identity.productId);
    Put16(out, identity.bcdDevice);
    out.insert(out.end(), {1, 2, 3, 1});
    return out;
}

std::vector<uint8_t> ConfigurationDescriptor() {
    std::vector<uint8_t> out{9, 0x02, 0, 0, 2, kConfigurationValue, 0, 0x80, 250};
    // Interface association of the two video interfaces.
    out.insert(out.end(), {8, 0x0B, kControlInterface, 2, 0x0E, 0x03, 0x00, 2});
    out.insert(out.end(), {9, 0x04, kControlInterface, 0, 0, 0x0E, 0x01, 0x00, 2});
    const std::vector<uint8_t> control = VideoControlDescriptors();
    out.insert(out.end(), control.begin(), control.end());
    out.insert(out.end(), {9, 0x04, kStreamingInterface, 0, 1, 0x0E, 0x02, 0x00, 0});
    const std::vector<uint8_t> streaming = VideoStreamingDescriptors();
    out.insert(out.end(), streaming.begin(), streaming.end());
    out.insert(out.end(), {7, 0x05, kStreamingEndpoint, 0x02});
    Put16(out, 512);
    out.push_back(0);
    Set16(out, 2, static_cast<uint16_t>(out.size()));
    return out;
}

std::optional<std::vector<uint8_t>> StringDescriptor(const CameraIdentity& identity,
                                                     uint8_t index) {
    if (index == 0) return std::vector<uint8_t>{4, 0x03, 0x09, 0x04};  // US English
    const std::string* text = index == 1   ? &identity.manufacturer
                              : index == 2 ? &identity.product
                              : index == 3 ? &identity.serial
                                           : nullptr;
    if (!text) return std::nullopt;
    // ASCII only (the options refuse other text), as UTF-16LE; at most 126 characters.
    const size_t length = std::min<size_t>(text->size(), 126);
    std::vector<uint8_t> out{static_cast<uint8_t>(2 + 2 * length), 0x03};
    for (size_t i = 0; i < length; ++i) {
        out.push_back(static_cast<uint8_t>((*text)[i]));
        out.push_back(0);
    }
    return out;
}

}  // namespace kestrovane::usbip
