#pragma once

#include <array>
#include <cstdint>

namespace kestrovane {

// Result codes of camera operations.
enum : int {
    XU_OK = 0,
    XU_TRANSFER_FAILED = 1,
    XU_NOT_SUPPORTED = 2,
    XU_NO_DEVICE = 3,
};

// Status values of the camera port, numerically those of the platform's HRESULT:
// 0 is success, 1 (S_FALSE) a success code that the link treats as failure,
// negative values are errors.
using HResult = int32_t;
inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult kE_DEVICE_GONE =
    static_cast<HResult>(0x8007048Fu);  // device not connected

inline bool Succeeded(HResult result) {
    return result >= 0;
}

// A GUID laid out as the platform lays it out (16 bytes).
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};
static_assert(sizeof(Guid) == 16);

// The extension unit's property set {5E2C9A17-3B64-4F0D-9A81-C2764D3E05B9}.
inline constexpr Guid XuPropertySet{
    0x5E2C9A17, 0x3B64, 0x4F0D, {0x9A, 0x81, 0xC2, 0x76, 0x4D, 0x3E, 0x05, 0xB9}};

// Node type of a vendor-specific topology node {941C7AC0-C559-11D0-8A2B-00A0C9255AC1}.
inline constexpr Guid KSNODETYPE_DEV_SPECIFIC{
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};

// Property flags: GET or SET, always addressed to a topology node.
inline constexpr uint32_t KSPROPERTY_TYPE_GET = 0x00000001;
inline constexpr uint32_t KSPROPERTY_TYPE_SET = 0x00000002;
inline constexpr uint32_t KSPROPERTY_TYPE_TOPOLOGY = 0x10000000;
inline constexpr uint32_t kXuSetFlags = KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY;
inline constexpr uint32_t kXuGetFlags = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY;

// The node request of one extension-unit transfer, field for field the
// platform's KSP_NODE (32 bytes).
struct NodePropertyRequest {
    Guid set;
    uint32_t id = 0;  // the control selector
    uint32_t flags = 0;
    uint32_t nodeId = 0;
    uint32_t reserved = 0;
};
static_assert(sizeof(NodePropertyRequest) == 32);

// Control selectors of the extension unit.
enum XuSelector : uint32_t {
    EepromChannel = 1,
    CommandChannel = 2,
};

// The 3-byte payload of every extension-unit transfer; a GET answers into it.
inline constexpr uint32_t kXuRequestLength = 3;
using XuRequest = std::array<uint8_t, kXuRequestLength>;

}  // namespace kestrovane
