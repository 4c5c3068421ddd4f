#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "camera/CameraPort.h"

namespace kestrovane::testing {

// The path FindCamera chooses on a desktop without windows; empty when none.
std::string ChooseCamera(CameraPort& cameras);

// The raw descriptors of a UVC camera as its sysfs "descriptors" file holds
// them: configuration 1, VideoControl interface 0 with a header of odd length,
// terminals, an extension unit of another vendor (id 3) and, when given, the
// vendor's unit; then VideoStreaming interface 1 whose MJPEG format shares
// the unit's subtype 0x06. `extra` is appended.
std::vector<uint8_t> CameraDescriptors(std::optional<uint8_t> vendorUnitId,
                                       const std::vector<uint8_t>& extra = {});

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);

// Configuration and interface descriptors and a vendor's extension unit, for `extra`.
std::vector<uint8_t> ConfigurationDescriptor(uint8_t value);
std::vector<uint8_t> ControlInterfaceDescriptor(uint8_t number);
std::vector<uint8_t> VendorUnitDescriptor(uint8_t unitId);

// A sysfs tree in a folder, laid out as the kernel lays it out: devices under
// devices/, links to them in class/video4linux and bus/usb/devices, and the
// uvcvideo driver's bind and unbind files.
class SyntheticSysfs {
public:
    explicit SyntheticSysfs(std::filesystem::path root);

    // A USB camera in `port` with a control interface bound to uvcvideo and a
    // streaming interface; its capture node video<node> and metadata node video<node+1>.
    void AddCamera(const std::string& port, uint16_t vendorId, uint16_t productId,
                   const std::vector<uint8_t>& descriptors, unsigned node);

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path DeviceFolder(const std::string& port) const;
    std::filesystem::path DriverFile(const char* name) const;

private:
    std::filesystem::path root_;
};

std::string ReadText(const std::filesystem::path& file);

}  // namespace kestrovane::testing
