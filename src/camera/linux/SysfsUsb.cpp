#include "camera/linux/SysfsUsb.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace kestrovane::linux_camera {

namespace fs = std::filesystem;

namespace {

// A whole attribute parsed as a number of `base`, within `max`.
std::optional<uint32_t> ReadNumber(const fs::path& file, int base, uint32_t max) {
    const std::optional<std::string> text = ReadAttribute(file);
    if (!text || text->empty()) return std::nullopt;
    uint32_t value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value, base);
    if (error != std::errc() || stop != end || value > max) return std::nullopt;
    return value;
}

std::string Hex(uint32_t value, int digits, bool upper) {
    char text[16];
    std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", digits, value);
    return text;
}

std::string VendorProduct(const UsbInterface& usb, bool upper) {
    const std::string vid = upper ? "VID_" : "vid_";
    const std::string pid = upper ? "&PID_" : "&pid_";
    return vid + Hex(usb.vendorId, 4, upper) + pid + Hex(usb.productId, 4, upper);
}

std::string InterfaceMarker(const UsbInterface& usb, bool upper) {
    return (upper ? "&MI_" : "&mi_") + Hex(usb.interfaceNumber, 2, upper);
}

}  // namespace

std::optional<std::string> ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    if (!std::getline(in, line) && !in.eof()) return std::nullopt;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::optional<std::vector<uint8_t>> ReadBinaryAttribute(const fs::path& file, size_t maxBytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes;
    char buffer[4096];
    while (bytes.size() < maxBytes) {
        const size_t wanted = std::min(sizeof buffer, maxBytes - bytes.size());
        in.read(buffer, static_cast<std::streamsize>(wanted));
        const std::streamsize got = in.gcount();
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got == 0 || !in) break;
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::optional<UsbInterface> ReadUsbInterface(const fs::path& folder) {
    std::error_code error;
    const fs::path interfaceFolder = fs::canonical(folder, error);
    if (error) return std::nullopt;
    UsbInterface usb;
    usb.folder = interfaceFolder;
    usb.name = interfaceFolder.filename().string();
    const fs::path deviceFolder = interfaceFolder.parent_path();
    usb.port = deviceFolder.filename().string();
    // An interface is named after its device: "<port>:<configuration>.<interface>".
    if (usb.name.rfind(usb.port + ":", 0) != 0) return std::nullopt;

    const auto vendor = ReadNumber(deviceFolder / "idVendor", 16, 0xFFFF);
    const auto product = ReadNumber(deviceFolder / "idProduct", 16, 0xFFFF);
    const auto number = ReadNumber(interfaceFolder / "bInterfaceNumber", 16, 0xFF);
    if (!vendor || !product || !number) return std::nullopt;
    usb.vendorId = static_cast<uint16_t>(*vendor);
    usb.productId = static_cast<uint16_t>(*product);
    usb.interfaceNumber = static_cast<uint8_t>(*number);
    usb.release =
        static_cast<uint16_t>(ReadNumber(deviceFolder / "bcdDevice", 16, 0xFFFF).value_or(0));
    if (const auto configuration = ReadNumber(deviceFolder / "bConfigurationValue", 10, 0xFF)) {
        usb.configuration = static_cast<uint8_t>(*configuration);
    }
    return usb;
}

std::vector<UsbInterface> ListUsbInterfaces(const fs::path& sysfsRoot) {
    std::vector<UsbInterface> interfaces;
    std::error_code error;
    fs::directory_iterator entries(sysfsRoot / "bus" / "usb" / "devices", error);
    if (error) return interfaces;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        if (entry.path().filename().string().find(':') == std::string::npos) continue;
        if (std::optional<UsbInterface> usb = ReadUsbInterface(entry.path())) {
            interfaces.push_back(std::move(*usb));
        }
    }
    std::sort(interfaces.begin(), interfaces.end(),
              [](const UsbInterface& a, const UsbInterface& b) { return a.name < b.name; });
    return interfaces;
}

std::string CameraDevicePath(const UsbInterface& usb) {
    return "usb#" + VendorProduct(usb, false) + InterfaceMarker(usb, false) + "#" + usb.port;
}

std::string InstanceId(const UsbInterface& usb) {
    return "USB\\" + VendorProduct(usb, true) + InterfaceMarker(usb, true) + "\\" + usb.port;
}

std::string HardwareId(const UsbInterface& usb) {
    return "USB\\" + VendorProduct(usb, true) + "&REV_" + Hex(usb.release, 4, true) +
           InterfaceMarker(usb, true);
}

}  // namespace kestrovane::linux_camera
