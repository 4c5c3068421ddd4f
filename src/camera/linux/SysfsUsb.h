#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrovane::linux_camera {

// One USB interface as sysfs shows it: the interface folder
// (.../usb1/1-2.3/1-2.3:1.0) and, one level up, the folder of its device.
struct UsbInterface {
    std::filesystem::path folder;
    std::string name;  // "1-2.3:1.0": what the driver's bind and unbind files take
    std::string port;  // "1-2.3": bus and port chain, the same for any device in that port
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;  // bcdDevice
    uint8_t interfaceNumber = 0;
    // The device's active configuration; none when it is not configured or
    // the attribute cannot be read.
    std::optional<uint8_t> configuration;
};

// The interface behind `folder`, or none when `folder` is not a USB interface
// or its identity cannot be read.
std::optional<UsbInterface> ReadUsbInterface(const std::filesystem::path& folder);

// Every USB interface of the machine (<sysfsRoot>/bus/usb/devices), in order
// of name; empty when the folder cannot be read.
std::vector<UsbInterface> ListUsbInterfaces(const std::filesystem::path& sysfsRoot);

// The camera port's path of an interface:
// "usb#vid_3a5e&pid_0101&mi_00#1-2.3". Lower-case hex like the paths of the
// Windows adapter, so the vendor markers match; the port chain instead of the
// video node number, so any camera in that port keeps the same path.
std::string CameraDevicePath(const UsbInterface& usbInterface);

// The device installer's ids of an interface, in the platform's style:
// instance "USB\VID_3A5E&PID_0101&MI_00\1-2.3",
// hardware "USB\VID_3A5E&PID_0101&REV_0100&MI_00".
std::string InstanceId(const UsbInterface& usbInterface);
std::string HardwareId(const UsbInterface& usbInterface);

// The first line of a sysfs attribute, without its line end; none when it
// cannot be read.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);

// A whole binary attribute up to `maxBytes`; none when it cannot be read.
std::optional<std::vector<uint8_t>> ReadBinaryAttribute(const std::filesystem::path& file,
                                                        size_t maxBytes);

}  // namespace kestrovane::linux_camera
