#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "camera/Clock.h"
#include "camera/sim/RequestTally.h"
#include "camera/sim/SimulatedController.h"
#include "camera/sim/usbip/UsbipWire.h"
#include "camera/sim/usbip/UvcCameraDescriptors.h"

namespace kestrovane::usbip {

// The answer to one control transfer: a status as the kernel's URB status
// (0, or -EPIPE for a stall) and the bytes of an IN data stage.
struct ControlReply {
    int32_t status = 0;
    std::vector<uint8_t> data;
};

// A simulated Tovrine camera as a USB device: the standard requests of its
// descriptors and configuration, the UVC class requests on its units and
// streaming interface, and the vendor extension unit's two 3-byte controls,
// which go to the `SimulatedController`. Whatever it does not have is stalled.
// Not thread-safe: one connection drives it.
class SimulatedUvcDevice {
public:
    SimulatedUvcDevice(sim::SimulatedController& controller, CameraIdentity identity, Clock& clock);

    ControlReply Control(const std::array<uint8_t, 8>& setup, std::span<const uint8_t> outData);

    DeviceRecord Record(const std::string& busId) const;
    const CameraIdentity& Identity() const { return identity_; }
    // False once the controller was unplugged (a fault): the device must leave the bus.
    bool Present() const { return controller_.Present(); }

    // Called after every SET that made the controller commit a block to its EEPROM.
    void OnEepromCommitted(std::function<void()> callback) { onCommitted_ = std::move(callback); }

    // Requests by kind: standard and class requests by name, the extension
    // unit's by what they ask of the controller, stalls by reason.
    std::string Report() const;
    uint64_t Count(const std::string& kind) const;
    void ResetCounts();

private:
    ControlReply Standard(const std::array<uint8_t, 8>& setup, uint16_t length);
    ControlReply ClassRequest(const std::array<uint8_t, 8>& setup, std::span<const uint8_t> outData,
                              uint16_t length);
    ControlReply ProcessingUnit(uint8_t request, uint8_t selector, std::span<const uint8_t> outData);
    ControlReply ExtensionUnit(uint8_t request, uint8_t selector, std::span<const uint8_t> outData,
                               uint16_t length);
    ControlReply Streaming(uint8_t request, uint8_t selector, std::span<const uint8_t> outData,
                           uint16_t length);
    // A stall, with the UVC error code the host reads after it.
    ControlReply Stall(const std::string& reason, uint8_t errorCode = kInvalidRequest);
    ControlReply ControlInterface(uint8_t request, uint8_t selector);
    void CountKind(const std::string& kind) { ++counts_[kind]; }

    // bRequestErrorCode values of the UVC request error code control.
    static constexpr uint8_t kNoError = 0x00;
    static constexpr uint8_t kWrongState = 0x02;
    static constexpr uint8_t kOutOfRange = 0x04;
    static constexpr uint8_t kInvalidUnit = 0x05;
    static constexpr uint8_t kInvalidControl = 0x06;
    static constexpr uint8_t kInvalidRequest = 0x07;

    sim::SimulatedController& controller_;
    uint8_t lastError_ = kNoError;
    CameraIdentity identity_;
    Clock& clock_;
    std::function<void()> onCommitted_;
    uint8_t configuration_ = 0;
    int jumpsAtRestart_ = 0;
    bool streamingInitialised_ = false;
    int16_t brightness_ = 0;
    uint16_t contrast_ = 50;
    std::vector<uint8_t> probe_;
    std::vector<uint8_t> commit_;
    std::map<std::string, uint64_t> counts_;
    sim::RequestTally tally_;
};

}  // namespace kestrovane::usbip
