#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "camera/XuTypes.h"

namespace kestrovane::linux_camera {

// An extension unit of a camera's VideoControl interface.
struct ExtensionUnit {
    uint8_t unitId = 0;
    Guid code;  // guidExtensionCode
};

// The extension units described in `descriptors` (the raw descriptors of a
// USB device as its sysfs "descriptors" file holds them) for the
// VideoControl interface `interfaceNumber` of the configuration
// `configuration` (none: the first one in the file), in descriptor order.
// The walk goes by bLength and stops at the first descriptor that is
// malformed or runs past the end: nothing past `descriptors` is ever read.
std::vector<ExtensionUnit> FindExtensionUnits(std::span<const uint8_t> descriptors,
                                              uint8_t interfaceNumber,
                                              std::optional<uint8_t> configuration);

// A GUID as USB descriptors store it: the first three fields little-endian,
// the last eight bytes in order. `bytes` holds 16 bytes.
Guid GuidFromUsbBytes(std::span<const uint8_t, 16> bytes);

}  // namespace kestrovane::linux_camera
