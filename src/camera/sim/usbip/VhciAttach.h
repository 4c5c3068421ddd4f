#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "camera/sim/usbip/UsbipWire.h"

namespace kestrovane::usbip {

// The device id a client gives an imported device: bus number and device number.
inline uint32_t DeviceIdOf(const DeviceRecord& record) {
    return record.busNumber << 16 | record.deviceNumber;
}

// The first free port of a vhci_hcd status file for a device of `speed`
// (high-speed ports are on the "hs" hub, super-speed on "ss"); none when all
// are taken or the file cannot be read.
std::optional<unsigned> FreeVhciPort(const std::string& statusText, uint32_t speed);

// Plugs a device into this machine's vhci_hcd without a network: one end of a
// socket pair goes to the kernel through the controller's `attach` file, the
// other is returned to be served. Needs root and the vhci-hcd module.
std::optional<int> AttachToVhci(uint32_t deviceId, uint32_t speed, std::string* error,
                                const std::filesystem::path& controller =
                                    "/sys/devices/platform/vhci_hcd.0");

}  // namespace kestrovane::usbip
