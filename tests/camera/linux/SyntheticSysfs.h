#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "camera/XuTypes.h"

namespace kestrovane::testing {

// The raw descriptors of a USB device, as its sysfs "descriptors" file holds them.
struct DescriptorBlob {
    DescriptorBlob& Add(std::vector<uint8_t> descriptor);
    DescriptorBlob& Configuration(uint8_t value);
    DescriptorBlob& Interface(uint8_t number, uint8_t subClass);  // video class
    DescriptorBlob& ExtensionUnit(uint8_t unitId, const Guid& code);

    std::vector<uint8_t> bytes;
};

// A GUID that is not the vendor's.
inline constexpr Guid kOtherVendorUnit{
    0x0F3F95DC, 0x2632, 0x4C4E, {0x92, 0xC9, 0xA0, 0x47, 0x82, 0xF4, 0x3B, 0xC8}};

// A camera function: VideoControl interface 0 with its terminals, a unit of
// another vendor (id 3) and, when given, the vendor's unit; then
// VideoStreaming interface 1 with an MJPEG format (also subtype 0x06).
DescriptorBlob UvcCameraDescriptors(std::optional<uint8_t> vendorUnitId);

struct SyntheticDevice {
    std::string port;  // "1-2.3"
    uint16_t vendorId = 0x3A5E;
    uint16_t productId = 0x0101;
    std::vector<uint8_t> descriptors;
    unsigned captureNode = 0;  // video<N>; its metadata node is video<N+1>
};

// A sysfs tree in a folder, laid out as the kernel lays it out: devices under
// devices/, links to them in class/video4linux and bus/usb/devices, and the
// uvcvideo driver's bind and unbind files.
class SyntheticSysfs {
public:
    explicit SyntheticSysfs(std::filesystem::path root);

    // A USB camera with interfaces 0 (control, bound to uvcvideo) and 1 (streaming).
    void AddCamera(const SyntheticDevice& device);
    // A video node of a device that is no USB device.
    void AddPlatformNode(unsigned node);
    void RemoveNodes();

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path InterfaceFolder(const std::string& port) const;
    std::filesystem::path DriverFile(const char* name) const;

private:
    std::filesystem::path root_;
};

std::string ReadText(const std::filesystem::path& file);

}  // namespace kestrovane::testing
