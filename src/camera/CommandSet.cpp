#include "camera/CommandSet.h"

#include <algorithm>

#include "camera/Transport.h"

namespace kestrovane {

namespace {

// Opens a link, runs `transfers` on it and releases it on every path. The
// transfers return XU_OK or XU_TRANSFER_FAILED.
template <typename Transfers>
int WithLink(const CameraTarget& camera, Transfers transfers) {
    XuLink link;
    if (int opened = link.Open(camera); opened != XU_OK) return opened;
    return transfers(link);
}

int SetOnly(const CameraTarget& camera, XuSelector selector, XuRequest request) {
    return WithLink(camera, [&](XuLink& link) {
        return link.Set(selector, request) ? XU_OK : XU_TRANSFER_FAILED;
    });
}

int SetThenSet(const CameraTarget& camera, XuSelector selector, XuRequest first, XuRequest second) {
    return WithLink(camera, [&](XuLink& link) {
        if (!link.Set(selector, first)) return XU_TRANSFER_FAILED;
        return link.Set(selector, second) ? XU_OK : XU_TRANSFER_FAILED;
    });
}

// SET then GET on one buffer; on success `reply` holds the answer.
int Exchange(const CameraTarget& camera, XuSelector selector, XuRequest request, XuRequest& reply) {
    return WithLink(camera, [&](XuLink& link) {
        if (!link.Set(selector, request) || !link.Get(selector, request)) {
            return XU_TRANSFER_FAILED;
        }
        reply = request;
        return XU_OK;
    });
}

// Selects a register on CommandChannel and reads its value from the reply.
int ReadSelectedRegister(const CameraTarget& camera, XuRequest selection, uint16_t& value) {
    XuRequest reply{};
    const int result = Exchange(camera, CommandChannel, selection, reply);
    if (result == XU_OK) value = static_cast<uint16_t>(reply[1] | (reply[2] << 8));
    return result;
}

}  // namespace

int QueryXuProtocol(const CameraTarget& camera, XuProtocolLevel& level) {
    level = 0;
    XuRequest reply{};
    const int result = Exchange(camera, CommandChannel, ProbeRequest(), reply);
    if (result == XU_OK) level = ProtocolLevelFromReply(reply);
    return result;
}

int IsXuProtocolSupported(const CameraTarget& camera) {
    XuProtocolLevel level = 0;
    QueryXuProtocol(camera, level);
    return (level == 1 || level == 2) ? 1 : 0;
}

int ReadRegister(const CameraTarget& camera, uint16_t address, uint16_t& value,
                 RegisterAccess access) {
    return ReadSelectedRegister(camera, RegisterAddressRequest(access, address), value);
}

int WriteRegister(const CameraTarget& camera, uint16_t address, uint16_t value,
                  RegisterAccess access) {
    return SetThenSet(camera, CommandChannel, RegisterAddressRequest(access, address),
                      RegisterWriteRequest(access, value));
}

int ReadRegisterLegacy(const CameraTarget& camera, uint16_t address, uint16_t& value,
                       int chipFlag) {
    return ReadSelectedRegister(camera, LegacyRegisterAddressRequest(address, chipFlag), value);
}

int WriteRegisterLegacy(const CameraTarget& camera, uint16_t address, uint16_t value,
                        int chipFlag) {
    return SetThenSet(camera, CommandChannel, LegacyRegisterAddressRequest(address, chipFlag),
                      LegacyRegisterWriteRequest(value));
}

int ReadEepromWord(const CameraTarget& camera, uint8_t (&word)[2], uint16_t offset) {
    return WithLink(camera, [&](XuLink& link) {
        XuProtocolLevel level = 0;
        QueryXuProtocol(camera, level);
        return ReadEepromWord(link, level, word, offset);
    });
}

int QueryXuProtocol(XuLink& link, XuProtocolLevel& level) {
    level = 0;
    XuRequest probe = ProbeRequest();
    if (!link.Set(CommandChannel, probe) || !link.Get(CommandChannel, probe)) {
        return XU_TRANSFER_FAILED;
    }
    level = ProtocolLevelFromReply(probe);
    return XU_OK;
}

int ReadEepromWord(XuLink& link, XuProtocolLevel level, uint8_t (&word)[2], uint16_t offset) {
    if (level != 1 && level != 2) return XU_TRANSFER_FAILED;
    XuRequest request = EepromReadRequest(level, offset);
    if (!link.Set(CommandChannel, request) || !link.Get(CommandChannel, request)) {
        return XU_TRANSFER_FAILED;
    }
    word[0] = request[1];
    word[1] = request[2];
    return XU_OK;
}

int ReadEepromBlock(const CameraTarget& camera, std::span<uint8_t> destination, uint16_t offset) {
    for (size_t position = 0; position < destination.size(); position += 2) {
        uint8_t word[2] = {};
        const auto address = static_cast<uint16_t>(offset + position);
        if (int result = ReadEepromWord(camera, word, address); result != XU_OK) return result;
        const size_t count = std::min<size_t>(2, destination.size() - position);
        std::copy_n(word, count, destination.begin() + static_cast<std::ptrdiff_t>(position));
    }
    return XU_OK;
}

int SetEepromType(const CameraTarget& camera, uint8_t eepromKind) {
    return SetOnly(camera, CommandChannel, EepromTypeRequest(eepromKind));
}

int JumpToNewImage(const CameraTarget& camera) {
    return SetOnly(camera, CommandChannel, JumpRequest());
}

int ReadDirectRegister(const CameraTarget& camera, uint16_t address, uint16_t& value) {
    XuRequest reply{};
    const int result = Exchange(camera, EepromChannel, RegReadRequest(address), reply);
    if (result == XU_OK) value = reply[0];
    return result;
}

int WriteDirectRegister(const CameraTarget& camera, uint16_t address, uint16_t value) {
    return SetThenSet(camera, EepromChannel, RegAddressRequest(address), RegWriteRequest(value));
}

int MakeEepromWritable(const CameraTarget& camera) {
    if (WriteDirectRegister(camera, 0xBF76, 0x20) != XU_OK) return 0;
    uint16_t control = 0;
    if (ReadDirectRegister(camera, 0x0109, control) != XU_OK) return 0;
    // Keep bits 0-3 and 6, set bits 5 and 7, clear bit 4.
    if (WriteDirectRegister(camera, 0x0109, (control & 0x4F) | 0xA0) != XU_OK) return 0;
    uint16_t protect = 0;
    if (ReadDirectRegister(camera, 0x0107, protect) != XU_OK) return 0;
    // Bit 0 is the write protection.
    if (WriteDirectRegister(camera, 0x0107, protect & 0xFE) != XU_OK) return 0;
    return 1;
}

}  // namespace kestrovane
