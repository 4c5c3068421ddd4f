#include "camera/sim/usbip/SimulatedUvcDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace kestrovane::usbip {

namespace {

// Standard requests (USB 2.0 chapter 9).
constexpr uint8_t kGetStatus = 0x00;
constexpr uint8_t kClearFeature = 0x01;
constexpr uint8_t kSetFeature = 0x03;
constexpr uint8_t kSetAddress = 0x05;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kGetConfiguration = 0x08;
constexpr uint8_t kSetConfiguration = 0x09;
constexpr uint8_t kGetInterface = 0x0A;
constexpr uint8_t kSetInterface = 0x0B;

// UVC class requests.
constexpr uint8_t kSetCur = 0x01;
constexpr uint8_t kGetCur = 0x81;
constexpr uint8_t kGetMin = 0x82;
constexpr uint8_t kGetMax = 0x83;
constexpr uint8_t kGetRes = 0x84;
constexpr uint8_t kGetLen = 0x85;
constexpr uint8_t kGetInfo = 0x86;
constexpr uint8_t kGetDef = 0x87;

// Processing unit selectors, streaming interface selectors.
constexpr uint8_t kBrightness = 0x02;
constexpr uint8_t kContrast = 0x03;
constexpr uint8_t kProbeControl = 0x01;
constexpr uint8_t kCommitControl = 0x02;

// GET_INFO: the control answers GET and SET.
constexpr uint8_t kInfoGetSet = 0x03;

std::string RequestName(uint8_t request) {
    switch (request) {
        case kSetCur: return "SET_CUR";
        case kGetCur: return "GET_CUR";
        case kGetMin: return "GET_MIN";
        case kGetMax: return "GET_MAX";
        case kGetRes: return "GET_RES";
        case kGetLen: return "GET_LEN";
        case kGetInfo: return "GET_INFO";
        case kGetDef: return "GET_DEF";
        default: return "request " + std::to_string(request);
    }
}

std::vector<uint8_t> Little16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

void Set32(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The streaming parameters the camera proposes: its one format and frame.
// 48 bytes, the longest layout; a request of the 26 (UVC 1.0) or 34 (UVC 1.1)
// byte layout gets the head of it.
std::vector<uint8_t> DefaultStreamingParameters() {
    std::vector<uint8_t> out(48, 0);
    out[0] = 0x01;  // bmHint: frame interval fixed
    out[2] = 1;     // format index
    out[3] = 1;     // frame index
    Set32(out, 4, kFrameInterval);
    Set32(out, 18, kFrameBytes);
    Set32(out, 22, 512);  // dwMaxPayloadTransferSize: one bulk packet
    Set32(out, 26, 48000000);
    out[30] = 0x03;  // bmFramingInfo
    out[31] = 1;     // bPreferedVersion
    out[32] = 1;
    out[33] = 1;
    return out;
}

bool IsStreamingParameterLength(uint16_t length) {
    return length == 26 || length == 34 || length == 48;
}

ControlReply Reply(std::vector<uint8_t> data) {
    return {0, std::move(data)};
}

}  // namespace

SimulatedUvcDevice::SimulatedUvcDevice(sim::SimulatedController& controller,
                                       CameraIdentity identity, Clock& clock)
    : controller_(controller),
      identity_(std::move(identity)),
      clock_(clock),
      jumpsAtRestart_(controller.JumpRequests()),
      probe_(DefaultStreamingParameters()),
      commit_(DefaultStreamingParameters()),
      tally_(controller.ProtocolLevel()) {}

DeviceRecord SimulatedUvcDevice::Record(const std::string& busId) const {
    DeviceRecord record;
    record.path = "/sys/devices/platform/kestrovane-simcam/usb1/" + busId;
    record.busId = busId;
    // Bus ids are "bus-port": the device number follows the port, so that
    // cameras of one server have device ids of their own.
    const size_t dash = busId.find('-');
    if (dash != std::string::npos) {
        const auto port = std::strtoul(busId.c_str() + dash + 1, nullptr, 10);
        if (port > 0 && port < 128) record.deviceNumber = static_cast<uint32_t>(port);
    }
    record.vendorId = identity_.vendorId;
    record.productId = identity_.productId;
    record.bcdDevice = identity_.bcdDevice;
    record.deviceClass = 0xEF;
    record.deviceSubClass = 0x02;
    record.deviceProtocol = 0x01;
    record.configurationValue = configuration_;
    record.interfaces = {{0x0E, 0x01, 0x00}, {0x0E, 0x02, 0x00}};
    return record;
}

ControlReply SimulatedUvcDevice::Stall(const std::string& reason, uint8_t errorCode) {
    CountKind("stalled: " + reason);
    lastError_ = errorCode;
    return {-EPIPE, {}};
}

// The VideoControl interface's own controls: only the request error code,
// which the UVC driver reads after every stalled class request.
ControlReply SimulatedUvcDevice::ControlInterface(uint8_t request, uint8_t selector) {
    constexpr uint8_t kRequestErrorCode = 0x02;
    if (selector != kRequestErrorCode) {
        return Stall(RequestName(request) + " interface selector " + std::to_string(selector),
                     kInvalidControl);
    }
    CountKind(RequestName(request) + " request error code");
    switch (request) {
        case kGetCur: {
            // Reading it is itself a request that succeeds: the code is then cleared.
            const uint8_t code = lastError_;
            lastError_ = kNoError;
            return Reply({code});
        }
        case kGetInfo: return Reply({0x01});  // GET only
        case kGetLen: return Reply(Little16(1));
        default: return Stall(RequestName(request) + " request error code");
    }
}

ControlReply SimulatedUvcDevice::Control(const std::array<uint8_t, 8>& setup,
                                         std::span<const uint8_t> outData) {
    const uint16_t length = static_cast<uint16_t>(setup[6] | setup[7] << 8);
    const uint8_t type = setup[0] & 0x60;
    ControlReply reply;
    if (type == 0x00) {
        reply = Standard(setup, length);
    } else if (type == 0x20) {
        reply = ClassRequest(setup, outData, length);
    } else {
        reply = Stall("vendor request");
    }
    // An IN data stage never runs past what the host asked for.
    if (reply.data.size() > length) reply.data.resize(length);
    return reply;
}

ControlReply SimulatedUvcDevice::Standard(const std::array<uint8_t, 8>& setup, uint16_t length) {
    const uint8_t request = setup[1];
    const uint8_t valueLow = setup[2];
    const uint8_t valueHigh = setup[3];
    const uint8_t index = setup[4];
    const bool in = (setup[0] & 0x80) != 0;
    switch (request) {
        case kGetDescriptor:
            if (!in) break;
            if (valueHigh == 0x01) {
                CountKind("GET_DESCRIPTOR device");
                return Reply(DeviceDescriptor(identity_));
            }
            if (valueHigh == 0x02 && valueLow == 0) {
                CountKind("GET_DESCRIPTOR configuration");
                return Reply(ConfigurationDescriptor());
            }
            if (valueHigh == 0x03) {
                auto text = StringDescriptor(identity_, valueLow);
                if (!text) return Stall("string " + std::to_string(valueLow));
                CountKind("GET_DESCRIPTOR string");
                return Reply(std::move(*text));
            }
            // Device qualifier, BOS and the rest: a full-featured USB 2.0
            // device would have a qualifier, but the host does without.
            return Stall("descriptor type " + std::to_string(valueHigh));
        case kSetConfiguration:
            if (valueLow != 0 && valueLow != kConfigurationValue) break;
            CountKind("SET_CONFIGURATION");
            configuration_ = valueLow;
            return Reply({});
        case kGetConfiguration:
            CountKind("GET_CONFIGURATION");
            return Reply({configuration_});
        case kSetInterface:
            if (setup[2] != 0 || setup[3] != 0 ||
                (index != kControlInterface && index != kStreamingInterface)) {
                break;
            }
            CountKind("SET_INTERFACE");
            if (index == kStreamingInterface) {
                // The UVC driver selects the streaming interface's setting 0
                // each time it takes the camera on. After a jump to the new
                // image that is the camera coming back from its restart.
                if (streamingInitialised_ && controller_.JumpRequests() > jumpsAtRestart_) {
                    controller_.Restart();
                    CountKind("restart");
                }
                jumpsAtRestart_ = controller_.JumpRequests();
                streamingInitialised_ = true;
            }
            return Reply({});
        case kGetInterface:
            CountKind("GET_INTERFACE");
            return Reply({0});
        case kGetStatus:
            CountKind("GET_STATUS");
            return Reply({0, 0});
        case kClearFeature:
        case kSetFeature:
            CountKind(request == kClearFeature ? "CLEAR_FEATURE" : "SET_FEATURE");
            return Reply({});
        case kSetAddress:
            CountKind("SET_ADDRESS");
            return Reply({});
        default:
            break;
    }
    (void)length;
    return Stall("standard request " + std::to_string(request));
}

ControlReply SimulatedUvcDevice::ClassRequest(const std::array<uint8_t, 8>& setup,
                                              std::span<const uint8_t> outData, uint16_t length) {
    const uint8_t request = setup[1];
    const uint8_t selector = setup[3];
    const uint8_t interface = setup[4];
    const uint8_t entity = setup[5];
    const bool in = (setup[0] & 0x80) != 0;
    // GET requests go device-to-host, SET_CUR host-to-device; a request
    // whose direction contradicts its code is malformed.
    if ((request == kSetCur) == in || (setup[0] & 0x1F) != 0x01) {
        return Stall("malformed class request");
    }
    if (request != kSetCur && (request < kGetCur || request > kGetDef)) {
        return Stall("class request " + std::to_string(request));
    }
    if (interface == kControlInterface && entity == 0) return ControlInterface(request, selector);
    lastError_ = kNoError;
    if (interface == kStreamingInterface && entity == 0) {
        return Streaming(request, selector, outData, length);
    }
    if (interface != kControlInterface) return Stall("interface " + std::to_string(interface));
    switch (entity) {
        case kProcessingUnitId: return ProcessingUnit(request, selector, outData);
        case kExtensionUnitId: return ExtensionUnit(request, selector, outData, length);
        default:
            return Stall(RequestName(request) + " entity " + std::to_string(entity), kInvalidUnit);
    }
}

ControlReply SimulatedUvcDevice::ProcessingUnit(uint8_t request, uint8_t selector,
                                                std::span<const uint8_t> outData) {
    if (selector != kBrightness && selector != kContrast) {
        return Stall(RequestName(request) + " processing unit selector " +
                     std::to_string(selector), kInvalidControl);
    }
    const bool brightness = selector == kBrightness;
    CountKind(RequestName(request) + " processing unit");
    // Brightness -64..64 (signed), contrast 0..100; both two bytes.
    const int minimum = brightness ? -64 : 0;
    const int maximum = brightness ? 64 : 100;
    const int fallback = brightness ? 0 : 50;
    auto value = [](int number) { return Little16(static_cast<uint16_t>(number)); };
    switch (request) {
        case kGetInfo: return Reply({kInfoGetSet});
        case kGetLen: return Reply(Little16(2));
        case kGetMin: return Reply(value(minimum));
        case kGetMax: return Reply(value(maximum));
        case kGetRes: return Reply(value(1));
        case kGetDef: return Reply(value(fallback));
        case kGetCur: return Reply(value(brightness ? brightness_ : contrast_));
        case kSetCur: {
            if (outData.size() != 2) return Stall("SET_CUR processing unit length");
            const auto raw = static_cast<uint16_t>(outData[0] | outData[1] << 8);
            const int number = brightness ? static_cast<int16_t>(raw) : raw;
            if (number < minimum || number > maximum) {
                return Stall("SET_CUR out of range", kOutOfRange);
            }
            if (brightness) {
                brightness_ = static_cast<int16_t>(number);
            } else {
                contrast_ = static_cast<uint16_t>(number);
            }
            return Reply({});
        }
        default: return Stall(RequestName(request) + " processing unit");
    }
}

ControlReply SimulatedUvcDevice::ExtensionUnit(uint8_t request, uint8_t selector,
                                               std::span<const uint8_t> outData, uint16_t length) {
    if (selector != EepromChannel && selector != CommandChannel) {
        return Stall(RequestName(request) + " extension unit selector " + std::to_string(selector),
                     kInvalidControl);
    }
    switch (request) {
        case kGetInfo:
            CountKind("GET_INFO extension unit");
            return Reply({kInfoGetSet});
        case kGetLen:
            CountKind("GET_LEN extension unit");
            return Reply(Little16(kXuRequestLength));
        case kGetMin:
        case kGetDef:
            CountKind(RequestName(request) + " extension unit");
            return Reply({0, 0, 0});
        case kGetMax:
            CountKind("GET_MAX extension unit");
            return Reply({0xFF, 0xFF, 0xFF});
        case kGetRes:
            CountKind("GET_RES extension unit");
            return Reply({1, 0, 0});
        default:
            break;
    }
    // GET_CUR and SET_CUR carry one request of the controller's protocol.
    const bool get = request == kGetCur;
    if (length != kXuRequestLength || (!get && outData.size() != kXuRequestLength)) {
        tally_.CountRefused("length");
        return Stall(RequestName(request) + " extension unit length " + std::to_string(length));
    }
    XuRequest bytes{};
    if (!get) std::copy_n(outData.begin(), kXuRequestLength, bytes.begin());
    const XuRequest sent = bytes;
    const NodePropertyRequest property{XuPropertySet, selector, get ? kXuGetFlags : kXuSetFlags,
                                       kExtensionUnitId, 0};
    uint32_t returned = 0;
    const HResult result =
        controller_.Transfer(property, bytes.data(), kXuRequestLength, &returned, clock_);
    if (result != kS_OK) {
        tally_.CountRefused(result == kE_DEVICE_GONE ? "unplugged" : "controller");
        // The controller could not take the request now.
        return Stall("extension unit transfer failed", kWrongState);
    }
    tally_.CountServed(selector, get, get ? bytes : sent);
    if (!get && selector == EepromChannel && sent[0] == EE_END_BLOCK &&
        controller_.EepromWritable() && onCommitted_) {
        onCommitted_();
    }
    if (!get) return Reply({});
    // A short reply (a fault) reaches the host as a short data stage.
    return Reply(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::min(returned, 3u)));
}

ControlReply SimulatedUvcDevice::Streaming(uint8_t request, uint8_t selector,
                                           std::span<const uint8_t> outData, uint16_t length) {
    if (selector != kProbeControl && selector != kCommitControl) {
        return Stall(RequestName(request) + " streaming selector " + std::to_string(selector),
                     kInvalidControl);
    }
    CountKind(RequestName(request) + (selector == kProbeControl ? " probe" : " commit"));
    std::vector<uint8_t>& current = selector == kProbeControl ? probe_ : commit_;
    switch (request) {
        case kGetInfo: return Reply({kInfoGetSet});
        case kGetLen: return Reply(Little16(34));
        case kGetCur:
        case kGetMin:
        case kGetMax:
        case kGetDef:
            if (!IsStreamingParameterLength(length)) return Stall("streaming parameter length");
            return Reply(request == kGetCur ? current : DefaultStreamingParameters());
        case kSetCur: {
            if (!IsStreamingParameterLength(static_cast<uint16_t>(outData.size()))) {
                return Stall("streaming parameter length");
            }
            // The host may ask only for what the camera has: the one format
            // and frame and their interval; the rest is the camera's to say.
            std::vector<uint8_t> accepted = DefaultStreamingParameters();
            accepted[0] = outData[0];
            accepted[1] = outData[1];
            current = accepted;
            return Reply({});
        }
        default: return Stall(RequestName(request) + " streaming");
    }
}

std::string SimulatedUvcDevice::Report() const {
    std::ostringstream out;
    for (const auto& [kind, count] : counts_) out << kind << ' ' << count << '\n';
    out << tally_.Report();
    return out.str();
}

uint64_t SimulatedUvcDevice::Count(const std::string& kind) const {
    const auto found = counts_.find(kind);
    return found != counts_.end() ? found->second : tally_.Count(kind);
}

void SimulatedUvcDevice::ResetCounts() {
    counts_.clear();
    tally_ = sim::RequestTally(controller_.ProtocolLevel());
}

}  // namespace kestrovane::usbip
