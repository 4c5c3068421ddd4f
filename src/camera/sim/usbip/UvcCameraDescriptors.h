#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The descriptors of a simulated Tovrine camera as a UVC 1.1 device: an
// interface association over a VideoControl interface (header, camera
// terminal, processing unit, the vendor's extension unit, output terminal)
// and a VideoStreaming interface with one uncompressed format and frame on a
// bulk endpoint, so that the UVC driver makes a capture node of it.
namespace kestrovane::usbip {

struct CameraIdentity {
    uint16_t vendorId = 0x3a5e;
    uint16_t productId = 0x2b01;
    uint16_t bcdDevice = 0x0100;
    std::string manufacturer = "Kestrovane";
    std::string product = "Tovrine Simulated Camera";
    std::string serial = "SIM0001";
};

// Entity and interface numbers the descriptors declare.
inline constexpr uint8_t kControlInterface = 0;
inline constexpr uint8_t kStreamingInterface = 1;
inline constexpr uint8_t kCameraTerminalId = 1;
inline constexpr uint8_t kProcessingUnitId = 2;
inline constexpr uint8_t kOutputTerminalId = 3;
inline constexpr uint8_t kExtensionUnitId = 6;
inline constexpr uint8_t kStreamingEndpoint = 0x81;
inline constexpr uint16_t kUvcVersion = 0x0110;
inline constexpr uint8_t kConfigurationValue = 1;

// The frame the streaming interface offers: 160x120 YUY2 at 30 frames/s.
inline constexpr uint16_t kFrameWidth = 160;
inline constexpr uint16_t kFrameHeight = 120;
inline constexpr uint32_t kFrameBytes = kFrameWidth * kFrameHeight * 2;
inline constexpr uint32_t kFrameInterval = 333333;  // 100 ns units

std::vector<uint8_t> DeviceDescriptor(const CameraIdentity& identity);
std::vector<uint8_t> ConfigurationDescriptor();
// String 0 is the language list; 1 manufacturer, 2 product, 3 serial number.
std::optional<std::vector<uint8_t>> StringDescriptor(const CameraIdentity& identity, uint8_t index);

}  // namespace kestrovane::usbip
