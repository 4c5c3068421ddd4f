#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The messages of the USB/IP protocol as the kernel's vhci-hcd and the usbip
// tools exchange them: every number big-endian on the wire.
namespace kestrovane::usbip {

inline constexpr uint16_t kProtocolVersion = 0x0111;

// Operation codes of the connection's first phase.
inline constexpr uint16_t kOpReqDevlist = 0x8005;
inline constexpr uint16_t kOpRepDevlist = 0x0005;
inline constexpr uint16_t kOpReqImport = 0x8003;
inline constexpr uint16_t kOpRepImport = 0x0003;

// Commands of the URB phase.
inline constexpr uint32_t kCmdSubmit = 1;
inline constexpr uint32_t kCmdUnlink = 2;
inline constexpr uint32_t kRetSubmit = 3;
inline constexpr uint32_t kRetUnlink = 4;

inline constexpr uint32_t kDirectionOut = 0;
inline constexpr uint32_t kDirectionIn = 1;

// Sizes: an operation header, a busid, the device record, an URB header.
inline constexpr size_t kOpHeaderSize = 8;
inline constexpr size_t kBusIdSize = 32;
inline constexpr size_t kDevicePathSize = 256;
inline constexpr size_t kDeviceRecordSize = 312;
inline constexpr size_t kUrbHeaderSize = 48;

// The kernel's speed numbers (enum usb_device_speed).
inline constexpr uint32_t kSpeedHigh = 3;

// What a device tells the client before it is imported.
struct DeviceRecord {
    std::string path;   // a sysfs-like path, informational
    std::string busId;  // "1-1"
    uint32_t busNumber = 1;
    uint32_t deviceNumber = 1;
    uint32_t speed = kSpeedHigh;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;
    uint8_t deviceClass = 0;
    uint8_t deviceSubClass = 0;
    uint8_t deviceProtocol = 0;
    uint8_t configurationValue = 1;
    uint8_t configurationCount = 1;
    struct Interface {
        uint8_t interfaceClass = 0;
        uint8_t interfaceSubClass = 0;
        uint8_t interfaceProtocol = 0;
    };
    std::vector<Interface> interfaces;
};

struct OpHeader {
    uint16_t version = 0;
    uint16_t code = 0;
    uint32_t status = 0;
};

// One URB command (CMD_SUBMIT or CMD_UNLINK) as read from the client.
struct UrbCommand {
    uint32_t command = 0;
    uint32_t seqnum = 0;
    uint32_t devid = 0;
    uint32_t direction = 0;
    uint32_t endpoint = 0;
    // CMD_SUBMIT
    uint32_t transferFlags = 0;
    int32_t bufferLength = 0;
    int32_t startFrame = 0;
    int32_t packetCount = 0;
    int32_t interval = 0;
    std::array<uint8_t, 8> setup{};
    // CMD_UNLINK
    uint32_t unlinkSeqnum = 0;
};

void PutU16(std::vector<uint8_t>& out, uint16_t value);
void PutU32(std::vector<uint8_t>& out, uint32_t value);
uint16_t GetU16(std::span<const uint8_t> in, size_t offset);
uint32_t GetU32(std::span<const uint8_t> in, size_t offset);

OpHeader ParseOpHeader(std::span<const uint8_t, kOpHeaderSize> bytes);
std::vector<uint8_t> EncodeOpHeader(uint16_t code, uint32_t status);
// The 312-byte record of OP_REP_IMPORT; OP_REP_DEVLIST adds the interfaces.
void PutDeviceRecord(std::vector<uint8_t>& out, const DeviceRecord& device);
std::vector<uint8_t> EncodeDevlistReply(std::span<const DeviceRecord> devices);
std::vector<uint8_t> EncodeImportReply(const DeviceRecord* device);
// The busid of an OP_REQ_IMPORT body, cut at its first NUL.
std::string ParseBusId(std::span<const uint8_t, kBusIdSize> bytes);

UrbCommand ParseUrbHeader(std::span<const uint8_t, kUrbHeaderSize> bytes);
std::vector<uint8_t> EncodeRetSubmit(uint32_t seqnum, int32_t status,
                                     std::span<const uint8_t> inData, int32_t actualLength);
std::vector<uint8_t> EncodeRetUnlink(uint32_t seqnum, int32_t status);

}  // namespace kestrovane::usbip
