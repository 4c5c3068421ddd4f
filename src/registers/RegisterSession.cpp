#include "registers/RegisterSession.h"

#include "registers/HexText.h"

namespace kestrovane {

namespace {

constexpr uint16_t kRefusedSensorLowByte = 0x05;

int ChipFlagOf(RegisterKind kind) {
    return kind == RegisterKind::Chip ? 1 : 0;
}

}  // namespace

RegisterRequestKind RegisterRequestKindOf(XuProtocolLevel level) {
    if (level == 2) return RegisterRequestKind::Level2;
    if (level == 0) return RegisterRequestKind::Legacy;
    return RegisterRequestKind::Level1;
}

RegisterAccess RegisterAccessOf(RegisterRequestKind requests, RegisterKind kind) {
    const bool chip = kind == RegisterKind::Chip;
    if (requests == RegisterRequestKind::Level2) return chip ? CHIP_LEVEL2 : SENSOR_LEVEL2;
    return chip ? CHIP_LEVEL1 : SENSOR_LEVEL1;
}

int RegisterSession::Open(const CameraTarget& camera) {
    level_ = 0;
    if (const int opened = link_.Open(camera); opened != XU_OK) return opened;
    // A probe that fails once may be a transfer that failed, not legacy
    // firmware: taking such a camera for level 0 would send it legacy requests
    // that it reads as other registers, and report them as written. The probe
    // changes nothing, so it is asked once more before level 0 is assumed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        XuRequest probe = ProbeRequest();
        if (link_.Set(CommandChannel, probe) && link_.Get(CommandChannel, probe)) {
            level_ = ProtocolLevelFromReply(probe);
            break;
        }
    }
    return XU_OK;
}

uint16_t RegisterSession::AddressLimit() const {
    return RegisterRequestKindOf(level_) == RegisterRequestKind::Legacy
               ? static_cast<uint16_t>(kMaxLegacyRegisterAddress)
               : static_cast<uint16_t>(kMaxRegisterNumber);
}

bool RegisterSession::IsRefused(RegisterKind kind, uint16_t address) const {
    return kind == RegisterKind::Sensor &&
           RegisterRequestKindOf(level_) == RegisterRequestKind::Level1 &&
           (address & 0xFF) == kRefusedSensorLowByte;
}

XuRequest RegisterSession::AddressRequest(RegisterKind kind, uint16_t address) const {
    const RegisterRequestKind requests = RegisterRequestKindOf(level_);
    if (requests == RegisterRequestKind::Legacy) {
        return LegacyRegisterAddressRequest(address, ChipFlagOf(kind));
    }
    return RegisterAddressRequest(RegisterAccessOf(requests, kind), address);
}

XuRequest RegisterSession::WriteRequest(RegisterKind kind, uint16_t value) const {
    const RegisterRequestKind requests = RegisterRequestKindOf(level_);
    if (requests == RegisterRequestKind::Legacy) return LegacyRegisterWriteRequest(value);
    return RegisterWriteRequest(RegisterAccessOf(requests, kind), value);
}

int RegisterSession::Read(RegisterKind kind, uint16_t address, uint16_t& value) {
    XuRequest request = AddressRequest(kind, address);
    if (!link_.Set(CommandChannel, request) || !link_.Get(CommandChannel, request)) {
        return XU_TRANSFER_FAILED;
    }
    value = static_cast<uint16_t>(request[1] | (request[2] << 8));
    return XU_OK;
}

int RegisterSession::Write(RegisterKind kind, uint16_t address, uint16_t value) {
    XuRequest selection = AddressRequest(kind, address);
    if (!link_.Set(CommandChannel, selection)) return XU_TRANSFER_FAILED;
    XuRequest write = WriteRequest(kind, value);
    return link_.Set(CommandChannel, write) ? XU_OK : XU_TRANSFER_FAILED;
}

}  // namespace kestrovane
