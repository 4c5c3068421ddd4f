#include "camera/sim/RequestTally.h"

#include <cstdio>

namespace kestrovane::sim {

namespace {

std::string Hex(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string EepromChannelKind(uint8_t code) {
    switch (code) {
        case EE_SET_OFFSET:
            return "EE_SET_OFFSET";
        case EE_DATA_WORD:
            return "EE_DATA_WORD";
        case EE_END_BLOCK:
            return "EE_END_BLOCK";
        case REG_ADDRESS:
            return "REG_ADDRESS";
        case REG_WRITE:
            return "REG_WRITE";
        case REG_READ:
            return "REG_READ";
        default:
            return "EepromChannel " + Hex(code);
    }
}

std::string RegisterOpKind(uint8_t op) {
    switch (op) {
        case REG_OP_SENSOR_ADDRESS:
            return "REG_OP_SENSOR_ADDRESS";
        case REG_OP_CHIP_ADDRESS:
            return "REG_OP_CHIP_ADDRESS";
        case REG_OP_SENSOR_WRITE:
            return "REG_OP_SENSOR_WRITE";
        case REG_OP_CHIP_WRITE:
            return "REG_OP_CHIP_WRITE";
        case CMD_EEPROM_READ:
            return "CMD_EEPROM_READ";
        default:
            return "CommandChannel op " + Hex(op);
    }
}

}  // namespace

std::string RequestKindName(uint32_t selector, const XuRequest& bytes, XuProtocolLevel level) {
    if (selector == EepromChannel) return EepromChannelKind(bytes[0]);
    if (selector != CommandChannel) return "selector " + std::to_string(selector);
    if (bytes == ProbeRequest() || (level == 1 && bytes[0] == CMD_PROBE)) return "CMD_PROBE";
    if (level == 0) {
        if (bytes[0] == 0x00) return "LEGACY_ADDRESS";
        if (bytes[0] == 0x01) return "LEGACY_WRITE";
        return "CommandChannel " + Hex(bytes[0]);
    }
    // Level 2 shares the fixed command layouts with its register ops; the
    // command reading is named, as the controller applies it as well.
    const bool fixedOperands = level == 1 || bytes[2] == 0;
    if (bytes[0] == CMD_EEPROM_TYPE && fixedOperands && (level == 1 || bytes[1] <= 1)) {
        return "CMD_EEPROM_TYPE";
    }
    if (bytes[0] == CMD_JUMP && fixedOperands && (level == 1 || bytes[1] == 0)) return "CMD_JUMP";
    return RegisterOpKind(level == 2 ? bytes[1] : bytes[0]);
}

void RequestTally::CountServed(uint32_t selector, bool isGet, const XuRequest& request) {
    ++served_;
    const bool eeprom = selector == EepromChannel;
    if (!isGet) {
        std::string kind = RequestKindName(selector, request, level_);
        ++servedKinds_[kind];
        (eeprom ? lastEepromSet_ : lastCommandSet_) = std::move(kind);
        return;
    }
    std::string& last = eeprom ? lastEepromSet_ : lastCommandSet_;
    if (eeprom && last == "EE_DATA_WORD") {
        // The data word just counted was the check word of a block check.
        --servedKinds_["EE_DATA_WORD"];
        ++servedKinds_["EE_CHECK_BLOCK"];
        last = "EE_CHECK_BLOCK";
    }
    const std::string channel = eeprom ? "EepromChannel" : "CommandChannel";
    ++servedKinds_[last.empty() ? channel + " GET" : last + " reply"];
}

void RequestTally::CountRefused(std::string_view reason) {
    ++refused_;
    ++refusedKinds_["refused: " + std::string(reason)];
}

uint64_t RequestTally::Count(const std::string& kind) const {
    for (const auto* kinds : {&servedKinds_, &refusedKinds_}) {
        if (auto found = kinds->find(kind); found != kinds->end()) return found->second;
    }
    return 0;
}

std::string RequestTally::Report() const {
    std::string report;
    for (const auto* kinds : {&servedKinds_, &refusedKinds_}) {
        for (const auto& [kind, count] : *kinds) {
            if (count != 0) report += kind + " " + std::to_string(count) + "\n";
        }
    }
    return report;
}

}  // namespace kestrovane::sim
