#include "camera/sim/usbip/UsbipWire.h"

#include <algorithm>

namespace kestrovane::usbip {

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint16_t GetU16(std::span<const uint8_t> in, size_t offset) {
    return static_cast<uint16_t>(in[offset] << 8 | in[offset + 1]);
}

uint32_t GetU32(std::span<const uint8_t> in, size_t offset) {
    return static_cast<uint32_t>(in[offset]) << 24 | static_cast<uint32_t>(in[offset + 1]) << 16 |
           static_cast<uint32_t>(in[offset + 2]) << 8 | in[offset + 3];
}

namespace {

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    // Always NUL-terminated: the client reads these as C strings.
    const size_t length = std::min(text.size(), size - 1);
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    out.insert(out.end(), size - length, 0);
}

}  // namespace

OpHeader ParseOpHeader(std::span<const uint8_t, kOpHeaderSize> bytes) {
    return {GetU16(bytes, 0), GetU16(bytes, 2), GetU32(bytes, 4)};
}

std::vector<uint8_t> EncodeOpHeader(uint16_t code, uint32_t status) {
    std::vector<uint8_t> out;
    PutU16(out, kProtocolVersion);
    PutU16(out, code);
    PutU32(out, status);
    return out;
}

void PutDeviceRecord(std::vector<uint8_t>& out, const DeviceRecord& device) {
    PutText(out, device.path, kDevicePathSize);
    PutText(out, device.busId, kBusIdSize);
    PutU32(out, device.busNumber);
    PutU32(out, device.deviceNumber);
    PutU32(out, device.speed);
    PutU16(out, device.vendorId);
    PutU16(out, device.productId);
    PutU16(out, device.bcdDevice);
    out.push_back(device.deviceClass);
    out.push_back(device.deviceSubClass);
    out.push_back(device.deviceProtocol);
    out.push_back(device.configurationValue);
    out.push_back(device.configurationCount);
    out.push_back(static_cast<uint8_t>(device.interfaces.size()));
}

std::vector<uint8_t> EncodeDevlistReply(std::span<const DeviceRecord> devices) {
    std::vector<uint8_t> out = EncodeOpHeader(kOpRepDevlist, 0);
    PutU32(out, static_cast<uint32_t>(devices.size()));
    for (const DeviceRecord& device : devices) {
        PutDeviceRecord(out, device);
        for (const DeviceRecord::Interface& interface : device.interfaces) {
            out.push_back(interface.interfaceClass);
            out.push_back(interface.interfaceSubClass);
            out.push_back(interface.interfaceProtocol);
            out.push_back(0);  // padding
        }
    }
    return out;
}

std::vector<uint8_t> EncodeImportReply(const DeviceRecord* device) {
    std::vector<uint8_t> out = EncodeOpHeader(kOpRepImport, device ? 0 : 1);
    if (device) PutDeviceRecord(out, *device);
    return out;
}

std::string ParseBusId(std::span<const uint8_t, kBusIdSize> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

UrbCommand ParseUrbHeader(std::span<const uint8_t, kUrbHeaderSize> bytes) {
    UrbCommand command;
    command.command = GetU32(bytes, 0);
    command.seqnum = GetU32(bytes, 4);
    command.devid = GetU32(bytes, 8);
    command.direction = GetU32(bytes, 12);
    command.endpoint = GetU32(bytes, 16);
    if (command.command == kCmdSubmit) {
        command.transferFlags = GetU32(bytes, 20);
        command.bufferLength = static_cast<int32_t>(GetU32(bytes, 24));
        command.startFrame = static_cast<int32_t>(GetU32(bytes, 28));
        command.packetCount = static_cast<int32_t>(GetU32(bytes, 32));
        command.interval = static_cast<int32_t>(GetU32(bytes, 36));
        std::copy_n(bytes.begin() + 40, 8, command.setup.begin());
    } else if (command.command == kCmdUnlink) {
        command.unlinkSeqnum = GetU32(bytes, 20);
    }
    return command;
}

namespace {

std::vector<uint8_t> RetHeader(uint32_t command, uint32_t seqnum) {
    std::vector<uint8_t> out;
    out.reserve(kUrbHeaderSize);
    PutU32(out, command);
    PutU32(out, seqnum);
    PutU32(out, 0);  // devid, direction and endpoint are zero in replies
    PutU32(out, 0);
    PutU32(out, 0);
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeRetSubmit(uint32_t seqnum, int32_t status,
                                     std::span<const uint8_t> inData, int32_t actualLength) {
    std::vector<uint8_t> out = RetHeader(kRetSubmit, seqnum);
    PutU32(out, static_cast<uint32_t>(status));
    PutU32(out, static_cast<uint32_t>(actualLength));
    PutU32(out, 0);  // start_frame
    PutU32(out, 0);  // number_of_packets: none, no transfer here is isochronous
    PutU32(out, 0);  // error_count
    out.resize(kUrbHeaderSize, 0);
    out.insert(out.end(), inData.begin(), inData.end());
    return out;
}

std::vector<uint8_t> EncodeRetUnlink(uint32_t seqnum, int32_t status) {
    std::vector<uint8_t> out = RetHeader(kRetUnlink, seqnum);
    PutU32(out, static_cast<uint32_t>(status));
    out.resize(kUrbHeaderSize, 0);
    return out;
}

}  // namespace kestrovane::usbip
