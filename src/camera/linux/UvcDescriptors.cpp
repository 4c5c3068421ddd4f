#include "camera/linux/UvcDescriptors.h"

#include <algorithm>

namespace kestrovane::linux_camera {

namespace {

constexpr uint8_t kConfigurationDescriptor = 0x02;
constexpr uint8_t kInterfaceDescriptor = 0x04;
constexpr uint8_t kClassSpecificInterface = 0x24;
constexpr uint8_t kVideoClass = 0x0E;
constexpr uint8_t kVideoControlSubClass = 0x01;
constexpr uint8_t kExtensionUnitSubtype = 0x06;

// Shortest descriptors whose fields the walk reads.
constexpr size_t kConfigurationLength = 9;
constexpr size_t kInterfaceLength = 9;
// bLength, bDescriptorType, bDescriptorSubtype, bUnitID, guidExtensionCode.
constexpr size_t kExtensionUnitHeadLength = 4 + 16;

}  // namespace

Guid GuidFromUsbBytes(std::span<const uint8_t, 16> bytes) {
    Guid guid;
    guid.data1 = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    guid.data2 = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    guid.data3 = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    std::copy(bytes.begin() + 8, bytes.end(), guid.data4.begin());
    return guid;
}

std::vector<ExtensionUnit> FindExtensionUnits(std::span<const uint8_t> descriptors,
                                              uint8_t interfaceNumber,
                                              std::optional<uint8_t> configuration) {
    std::vector<ExtensionUnit> units;
    bool inWantedConfiguration = false;
    bool seenConfiguration = false;
    bool inWantedInterface = false;

    size_t offset = 0;
    while (descriptors.size() - offset >= 2) {
        const size_t length = descriptors[offset];
        // A length below 2 would never advance; one past the end is a
        // truncated file. Nothing after either can be trusted.
        if (length < 2 || length > descriptors.size() - offset) break;
        const std::span<const uint8_t> descriptor = descriptors.subspan(offset, length);
        offset += length;

        switch (descriptor[1]) {
            case kConfigurationDescriptor:
                inWantedInterface = false;
                if (length < kConfigurationLength) {
                    inWantedConfiguration = false;
                    break;
                }
                inWantedConfiguration =
                    configuration ? descriptor[5] == *configuration : !seenConfiguration;
                seenConfiguration = true;
                break;
            case kInterfaceDescriptor:
                inWantedInterface = length >= kInterfaceLength && inWantedConfiguration &&
                                    descriptor[2] == interfaceNumber &&
                                    descriptor[5] == kVideoClass &&
                                    descriptor[6] == kVideoControlSubClass;
                break;
            case kClassSpecificInterface:
                if (inWantedInterface && length >= kExtensionUnitHeadLength &&
                    descriptor[2] == kExtensionUnitSubtype) {
                    units.push_back({descriptor[3], GuidFromUsbBytes(descriptor.subspan<4, 16>())});
                }
                break;
            default:
                break;
        }
    }
    return units;
}

}  // namespace kestrovane::linux_camera
