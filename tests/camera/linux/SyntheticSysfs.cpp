#include "SyntheticSysfs.h"

#include <fstream>
#include <iterator>

#include "VirtualClock.h"
#include "camera/Discovery.h"

namespace kestrovane::testing {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(target, link);
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x\n", value);
    return text;
}

std::vector<uint8_t> UnitDescriptor(uint8_t unitId, const Guid& code) {
    std::vector<uint8_t> unit{27, 0x24, 0x06, unitId};
    for (int shift = 0; shift < 32; shift += 8) unit.push_back(uint8_t(code.data1 >> shift));
    for (uint16_t field : {code.data2, code.data3})
        unit.insert(unit.end(), {uint8_t(field), uint8_t(field >> 8)});
    unit.insert(unit.end(), code.data4.begin(), code.data4.end());
    unit.insert(unit.end(), {2, 1, 2, 2, 0x03, 0x00, 0});  // controls, source, bitmap, no string
    return unit;
}

struct NoWindows final : WindowList {
    std::vector<std::string> TopLevelWindowTitles() override { return {}; }
};

}  // namespace

std::string ChooseCamera(CameraPort& cameras) {
    VirtualClock clock;
    NoWindows windows;
    CameraPath chosen;
    return FindCamera(cameras, windows, clock, chosen) == 1 ? chosen.Get() : "";
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> bytes;
    for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

std::vector<uint8_t> ConfigurationDescriptor(uint8_t value) {
    return {9, 0x02, 0, 0, 2, value, 0, 0x80, 250};
}

std::vector<uint8_t> ControlInterfaceDescriptor(uint8_t number) {
    return {9, 0x04, number, 0, 1, 0x0E, 0x01, 0, 0};
}

std::vector<uint8_t> VendorUnitDescriptor(uint8_t unitId) {
    return UnitDescriptor(unitId, XuPropertySet);
}

std::vector<uint8_t> CameraDescriptors(std::optional<uint8_t> vendorUnitId,
                                       const std::vector<uint8_t>& extra) {
    const Guid otherVendor{
        0x0F3F95DC, 0x2632, 0x4C4E, {0x92, 0xC9, 0xA0, 0x47, 0x82, 0xF4, 0x3B, 0xC8}};
    return Concat(
        {{18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 64, 0x5E, 0x3A, 0x01, 0x01, 0, 1, 1, 2, 0, 1},
         ConfigurationDescriptor(1),
         {8, 0x0B, 0, 2, 0x0E, 0x03, 0, 2},  // interface association
         ControlInterfaceDescriptor(0),
         {13, 0x24, 0x01, 0x00, 0x01, 0x4D, 0, 0x00, 0x6C, 0xDC, 0x02, 1, 1},
         {18, 0x24, 0x02, 1, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0},
         {11, 0x24, 0x05, 2, 1, 0, 0, 2, 0x7F, 0x15, 0},
         UnitDescriptor(3, otherVendor),
         vendorUnitId ? VendorUnitDescriptor(*vendorUnitId) : std::vector<uint8_t>{},
         {9, 0x24, 0x03, 5, 0x01, 0x01, 0, 2, 0},
         {9, 0x04, 1, 0, 1, 0x0E, 0x02, 0, 0},
         {11, 0x24, 0x06, 1, 1, 0, 1, 0, 0, 0, 0},  // VS_FORMAT_MJPEG
         extra});
}

SyntheticSysfs::SyntheticSysfs(fs::path root) : root_(std::move(root)) {
    Write(DriverFile("bind"), "");
    Write(DriverFile("unbind"), "");
}

fs::path SyntheticSysfs::DeviceFolder(const std::string& port) const {
    return root_ / "devices/pci0000:00/0000:00:14.0/usb1" / port;
}

fs::path SyntheticSysfs::DriverFile(const char* name) const {
    return root_ / "bus/usb/drivers/uvcvideo" / name;
}

void SyntheticSysfs::AddCamera(const std::string& port, uint16_t vendorId, uint16_t productId,
                               const std::vector<uint8_t>& descriptors, unsigned node) {
    const fs::path usb = DeviceFolder(port);
    Write(usb / "idVendor", Hex(vendorId));
    Write(usb / "idProduct", Hex(productId));
    Write(usb / "bcdDevice", "0100\n");
    Write(usb / "bConfigurationValue", "1\n");
    Write(usb / "product", "Camera " + port + "\n");
    Write(usb / "descriptors", std::string(descriptors.begin(), descriptors.end()));
    Link(root_ / "bus/usb/devices" / port, usb);
    for (unsigned number : {0u, 1u}) {
        const fs::path folder = usb / (port + ":1." + std::to_string(number));
        Write(folder / "bInterfaceNumber", "0" + std::to_string(number) + "\n");
        Link(root_ / "bus/usb/devices" / folder.filename(), folder);
        if (number == 1) continue;
        Link(folder / "driver", DriverFile("bind").parent_path());
        for (unsigned index : {0u, 1u}) {
            const std::string name = "video" + std::to_string(node + index);
            Write(folder / "video4linux" / name / "index", std::to_string(index) + "\n");
            Link(folder / "video4linux" / name / "device", folder);
            Link(root_ / "class/video4linux" / name, folder / "video4linux" / name);
        }
    }
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kestrovane::testing
