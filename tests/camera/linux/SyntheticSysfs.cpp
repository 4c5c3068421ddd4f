#include "SyntheticSysfs.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kestrovane::testing {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x\n", digits, value);
    return text;
}

void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(target, link);
}

}  // namespace

DescriptorBlob& DescriptorBlob::Add(std::vector<uint8_t> descriptor) {
    bytes.insert(bytes.end(), descriptor.begin(), descriptor.end());
    return *this;
}

DescriptorBlob& DescriptorBlob::Configuration(uint8_t value) {
    return Add({9, 0x02, 0, 0, 2, value, 0, 0x80, 250});
}

DescriptorBlob& DescriptorBlob::Interface(uint8_t number, uint8_t subClass) {
    return Add({9, 0x04, number, 0, 1, 0x0E, subClass, 0, 0});
}

DescriptorBlob& DescriptorBlob::ExtensionUnit(uint8_t unitId, const Guid& code) {
    // Header, GUID as USB stores it, two controls, one source, two control
    // bytes, no string.
    std::vector<uint8_t> unit{27, 0x24, 0x06, unitId};
    for (int shift = 0; shift < 32; shift += 8) unit.push_back(uint8_t(code.data1 >> shift));
    for (uint16_t field : {code.data2, code.data3}) {
        unit.push_back(uint8_t(field));
        unit.push_back(uint8_t(field >> 8));
    }
    unit.insert(unit.end(), code.data4.begin(), code.data4.end());
    unit.insert(unit.end(), {2, 1, 2, 2, 0x03, 0x00, 0});
    return Add(unit);
}

DescriptorBlob UvcCameraDescriptors(std::optional<uint8_t> vendorUnitId) {
    DescriptorBlob blob;
    blob.Add({18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 64, 0x5E, 0x3A, 0x01, 0x01, 0, 1, 1, 2, 0, 1})
        .Configuration(1)
        .Add({8, 0x0B, 0, 2, 0x0E, 0x03, 0, 2})  // interface association
        .Interface(0, 0x01)
        .Add({13, 0x24, 0x01, 0x00, 0x01, 0x4D, 0, 0x00, 0x6C, 0xDC, 0x02, 1, 1})
        .Add({18, 0x24, 0x02, 1, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0})
        .Add({11, 0x24, 0x05, 2, 1, 0, 0, 2, 0x7F, 0x15, 0})
        .ExtensionUnit(3, kOtherVendorUnit);
    if (vendorUnitId) blob.ExtensionUnit(*vendorUnitId, XuPropertySet);
    blob.Add({9, 0x24, 0x03, 5, 0x01, 0x01, 0, 2, 0})
        .Interface(1, 0x02)
        .Add({11, 0x24, 0x06, 1, 1, 0, 1, 0, 0, 0, 0});  // VS_FORMAT_MJPEG
    return blob;
}

SyntheticSysfs::SyntheticSysfs(fs::path root) : root_(std::move(root)) {
    Write(DriverFile("bind"), "");
    Write(DriverFile("unbind"), "");
    fs::create_directories(root_ / "class" / "video4linux");
}

fs::path SyntheticSysfs::InterfaceFolder(const std::string& port) const {
    return root_ / "devices/pci0000:00/0000:00:14.0/usb1" / port / (port + ":1.0");
}

fs::path SyntheticSysfs::DriverFile(const char* name) const {
    return root_ / "bus/usb/drivers/uvcvideo" / name;
}

void SyntheticSysfs::AddCamera(const SyntheticDevice& device) {
    const fs::path control = InterfaceFolder(device.port);
    const fs::path usb = control.parent_path();
    Write(usb / "idVendor", Hex(device.vendorId, 4));
    Write(usb / "idProduct", Hex(device.productId, 4));
    Write(usb / "bcdDevice", "0100\n");
    Write(usb / "bConfigurationValue", "1\n");
    Write(usb / "product", "Camera " + device.port + "\n");
    Write(usb / "descriptors", std::string(device.descriptors.begin(), device.descriptors.end()));
    Link(root_ / "bus/usb/devices" / device.port, usb);

    for (unsigned number : {0u, 1u}) {
        const fs::path folder = usb / (device.port + ":1." + std::to_string(number));
        Write(folder / "bInterfaceNumber", Hex(number, 2));
        Write(folder / "bInterfaceClass", "0e\n");
        Write(folder / "bInterfaceSubClass", Hex(number + 1, 2));
        Link(root_ / "bus/usb/devices" / folder.filename(), folder);
    }
    Link(control / "driver", DriverFile("bind").parent_path());

    for (unsigned index : {0u, 1u}) {
        const std::string name = "video" + std::to_string(device.captureNode + index);
        const fs::path node = control / "video4linux" / name;
        Write(node / "index", std::to_string(index) + "\n");
        Link(node / "device", control);
        Link(root_ / "class/video4linux" / name, node);
    }
}

void SyntheticSysfs::AddPlatformNode(unsigned node) {
    const std::string name = "video" + std::to_string(node);
    const fs::path folder = root_ / "devices/platform/vivid.0/video4linux" / name;
    Write(folder / "index", "0\n");
    Link(folder / "device", folder.parent_path().parent_path());
    Link(root_ / "class/video4linux" / name, folder);
}

void SyntheticSysfs::RemoveNodes() {
    fs::remove_all(root_ / "class" / "video4linux");
    fs::remove_all(root_ / "devices");
    fs::remove_all(root_ / "bus/usb/devices");
    fs::create_directories(root_ / "class" / "video4linux");
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kestrovane::testing
