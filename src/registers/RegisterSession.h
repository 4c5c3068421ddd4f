#pragma once

#include <cstdint>

#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/XuRequests.h"

namespace kestrovane {

// Which register file of the camera a request addresses.
enum class RegisterKind { Chip, Sensor };

// The register request each protocol level uses.
enum class RegisterRequestKind {
    Legacy,  // level 0: 8-bit addresses, chip flag in byte 2
    Level1,  // RegisterAccess 0 (chip) or 1 (sensor)
    Level2,  // RegisterAccess 2 (chip) or 3 (sensor)
};

// Level 2 speaks the level-2 layout, level 0 the legacy requests, and every
// other answer the level-1 layout.
RegisterRequestKind RegisterRequestKindOf(XuProtocolLevel level);
RegisterAccess RegisterAccessOf(RegisterRequestKind requests, RegisterKind kind);

// Register access over one open link to a camera: the link is opened once,
// the protocol level asked once on it, and every register request of the
// operation (one register, or a whole dump or load) goes over it. The
// requests and their order are those of the single-register commands; only
// the opening of the camera is not repeated for each of them.
class RegisterSession {
public:
    // Opens the link and asks the protocol level. XU_OK, or the code of the
    // open step that failed (XU_NO_DEVICE, XU_NOT_SUPPORTED). A probe that
    // fails twice leaves level 0, as the camera's legacy firmware answers.
    int Open(const CameraTarget& camera);

    XuProtocolLevel Level() const { return level_; }

    // The largest address the level's requests carry: 0xFF at level 0,
    // 0xFFFF otherwise.
    uint16_t AddressLimit() const;

    // At level 1 the sensor registers whose address has the low byte 0x05 are
    // never to be read or written.
    bool IsRefused(RegisterKind kind, uint16_t address) const;

    // XU_OK with the value, or XU_TRANSFER_FAILED. The address must lie within
    // AddressLimit() (the legacy request would otherwise drop its high byte).
    int Read(RegisterKind kind, uint16_t address, uint16_t& value);
    int Write(RegisterKind kind, uint16_t address, uint16_t value);

private:
    XuRequest AddressRequest(RegisterKind kind, uint16_t address) const;
    XuRequest WriteRequest(RegisterKind kind, uint16_t value) const;

    XuLink link_;
    XuProtocolLevel level_ = 0;
};

}  // namespace kestrovane
