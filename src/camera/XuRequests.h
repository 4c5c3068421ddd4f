#pragma once

#include <cstdint>

#include "camera/XuTypes.h"

namespace kestrovane {

// Byte 0 of the requests on EepromChannel.
enum : uint8_t {
    EE_SET_OFFSET = 0x00,
    EE_DATA_WORD = 0x01,
    EE_END_BLOCK = 0x02,
    EE_CHECK_BLOCK = 0x01,  // a data-word request that is answered by a GET
    REG_ADDRESS = 0xF0,
    REG_WRITE = 0xF1,
    REG_READ = 0xF2,
};

// Command codes on CommandChannel.
enum : uint8_t {
    CMD_EEPROM_READ = 0x04,
    CMD_EEPROM_TYPE = 0x05,
    CMD_JUMP = 0x06,
    CMD_PROBE = 0x07,
};

// Register ops on CommandChannel; a write op is its address op plus 2.
enum : uint8_t {
    REG_OP_SENSOR_ADDRESS = 0,
    REG_OP_CHIP_ADDRESS = 1,
    REG_OP_SENSOR_WRITE = 2,
    REG_OP_CHIP_WRITE = 3,
};

// The protocol level the controller reports: the layout of register requests
// and EEPROM word reads.
using XuProtocolLevel = int;

// Which register a register request addresses, and in which layout.
enum RegisterAccess : int {
    CHIP_LEVEL1 = 0,
    SENSOR_LEVEL1 = 1,
    CHIP_LEVEL2 = 2,
    SENSOR_LEVEL2 = 3,
};

// EEPROM staging, on EepromChannel.
XuRequest EeSetOffsetRequest(uint16_t offset);
XuRequest EeDataWordRequest(uint8_t evenByte, uint8_t followingByte);
// End of block reuses the last data word's buffer with byte 0 changed.
XuRequest EeEndBlockRequest(const XuRequest& lastDataWord);
XuRequest EeCheckBlockRequest(uint8_t firstByte, uint8_t secondByte);

// Direct chip-register access, on EepromChannel.
XuRequest RegAddressRequest(uint16_t address);
XuRequest RegWriteRequest(uint16_t value);
XuRequest RegReadRequest(uint16_t address);

// Register access on CommandChannel at levels 1 and 2 (by `access`).
XuRequest RegisterAddressRequest(RegisterAccess access, uint16_t address);
XuRequest RegisterWriteRequest(RegisterAccess access, uint16_t value);
// Register access at level 0: 8-bit addresses, chipFlag 1 chip, 0 sensor.
XuRequest LegacyRegisterAddressRequest(uint16_t address, int chipFlag);
XuRequest LegacyRegisterWriteRequest(uint16_t value);

// Commands on CommandChannel. The EEPROM read has a layout at levels 1 and 2 only.
XuRequest EepromReadRequest(XuProtocolLevel level, uint16_t offset);
XuRequest EepromTypeRequest(uint8_t eepromKind);
XuRequest JumpRequest();
XuRequest ProbeRequest();

// The level a probe reply reports: 1 or 2 as answered, 0 for anything else.
XuProtocolLevel ProtocolLevelFromReply(const XuRequest& reply);

}  // namespace kestrovane
