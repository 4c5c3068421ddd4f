#include "camera/XuRequests.h"

namespace kestrovane {

namespace {

constexpr uint8_t Low(uint16_t value) {
    return static_cast<uint8_t>(value & 0xFF);
}
constexpr uint8_t High(uint16_t value) {
    return static_cast<uint8_t>(value >> 8);
}

// Level 1 puts the op first, level 2 puts it in the middle.
XuRequest CommandLayout(bool level2, uint8_t op, uint16_t operand) {
    if (level2) return {Low(operand), op, High(operand)};
    return {op, Low(operand), High(operand)};
}

bool IsLevel2(RegisterAccess access) {
    return access == CHIP_LEVEL2 || access == SENSOR_LEVEL2;
}

uint8_t AddressOp(RegisterAccess access) {
    return (access == CHIP_LEVEL1 || access == CHIP_LEVEL2) ? REG_OP_CHIP_ADDRESS
                                                            : REG_OP_SENSOR_ADDRESS;
}

}  // namespace

XuRequest EeSetOffsetRequest(uint16_t offset) {
    return {EE_SET_OFFSET, Low(offset), High(offset)};
}

XuRequest EeDataWordRequest(uint8_t evenByte, uint8_t followingByte) {
    return {EE_DATA_WORD, evenByte, followingByte};
}

XuRequest EeEndBlockRequest(const XuRequest& lastDataWord) {
    XuRequest request = lastDataWord;
    request[0] = EE_END_BLOCK;
    return request;
}

XuRequest EeCheckBlockRequest(uint8_t firstByte, uint8_t secondByte) {
    return {EE_CHECK_BLOCK, firstByte, secondByte};
}

XuRequest RegAddressRequest(uint16_t address) {
    return {REG_ADDRESS, Low(address), High(address)};
}
XuRequest RegWriteRequest(uint16_t value) {
    return {REG_WRITE, Low(value), High(value)};
}
XuRequest RegReadRequest(uint16_t address) {
    return {REG_READ, Low(address), High(address)};
}

XuRequest RegisterAddressRequest(RegisterAccess access, uint16_t address) {
    return CommandLayout(IsLevel2(access), AddressOp(access), address);
}

XuRequest RegisterWriteRequest(RegisterAccess access, uint16_t value) {
    return CommandLayout(IsLevel2(access), static_cast<uint8_t>(AddressOp(access) + 2), value);
}

XuRequest LegacyRegisterAddressRequest(uint16_t address, int chipFlag) {
    return {0x00, Low(address), static_cast<uint8_t>(chipFlag == 0 ? 1 : 0)};
}

XuRequest LegacyRegisterWriteRequest(uint16_t value) {
    return {0x01, Low(value), High(value)};
}

XuRequest EepromReadRequest(XuProtocolLevel level, uint16_t offset) {
    return CommandLayout(level == 2, CMD_EEPROM_READ, offset);
}

XuRequest EepromTypeRequest(uint8_t eepromKind) {
    return {CMD_EEPROM_TYPE, eepromKind, 0};
}
XuRequest JumpRequest() {
    return {CMD_JUMP, 0, 0};
}
XuRequest ProbeRequest() {
    return {CMD_PROBE, CMD_PROBE, 0};
}

XuProtocolLevel ProtocolLevelFromReply(const XuRequest& reply) {
    return (reply[1] == 1 || reply[1] == 2) ? reply[1] : 0;
}

}  // namespace kestrovane
