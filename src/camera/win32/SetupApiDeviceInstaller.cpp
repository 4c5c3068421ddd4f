#include "camera/win32/SetupApiDeviceInstaller.h"

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <cstring>

#include "camera/CameraRestart.h"

namespace kestrovane::win32 {

namespace {

// GUID_DEVCLASS_IMAGE. With DIGCF_ALLCLASSES the list holds the devices of
// every class all the same.
constexpr GUID kImageDeviceClass{
    0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

// A buffer from LocalAlloc, freed once.
class LocalBuffer {
public:
    LocalBuffer() = default;
    LocalBuffer(const LocalBuffer&) = delete;
    LocalBuffer& operator=(const LocalBuffer&) = delete;
    ~LocalBuffer() { Free(); }

    // A fixed, zero-filled buffer of `size` bytes; false when none could be had.
    bool Allocate(DWORD size) {
        Free();
        data_ = static_cast<BYTE*>(LocalAlloc(LPTR, size));
        size_ = data_ != nullptr ? size : 0;
        return data_ != nullptr;
    }
    BYTE* Data() const { return data_; }
    DWORD Size() const { return size_; }

private:
    void Free() {
        if (data_ != nullptr) LocalFree(data_);
        data_ = nullptr;
        size_ = 0;
    }
    BYTE* data_ = nullptr;
    DWORD size_ = 0;
};

// Reads a value with the platform's two-call pattern: `read` is called with
// the buffer so far (none at first) and its size; while it fails with
// ERROR_INSUFFICIENT_BUFFER the buffer grows to the size the system asks for.
// Returns the text before the first zero within the bytes the system
// returned, or none. A failed allocation, or a size that does not grow, ends
// the reading.
template <class Read>
std::optional<std::string> ReadGrowing(Read read) {
    LocalBuffer buffer;
    DWORD required = 0;
    while (!read(buffer.Data(), buffer.Size(), &required)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.Size() ||
            !buffer.Allocate(required)) {
            return std::nullopt;
        }
    }
    if (buffer.Data() == nullptr) return std::string();
    const DWORD returned = (required != 0 && required < buffer.Size()) ? required : buffer.Size();
    const char* text = reinterpret_cast<const char*>(buffer.Data());
    return std::string(text, strnlen(text, returned));
}

class SetupApiDeviceSet final : public DeviceInfoSet {
public:
    explicit SetupApiDeviceSet(HDEVINFO devices) : devices_(devices) {}
    ~SetupApiDeviceSet() override { SetupDiDestroyDeviceInfoList(devices_); }
    SetupApiDeviceSet(const SetupApiDeviceSet&) = delete;
    SetupApiDeviceSet& operator=(const SetupApiDeviceSet&) = delete;

    bool EnumDeviceInfo(uint32_t memberIndex) override {
        SP_DEVINFO_DATA info;
        return Fetch(memberIndex, info);
    }

    std::optional<std::string> HardwareId(uint32_t memberIndex) override {
        SP_DEVINFO_DATA info;
        if (!Fetch(memberIndex, info)) return std::nullopt;
        return ReadGrowing([&](BYTE* buffer, DWORD size, DWORD* required) {
            DWORD type = 0;
            return SetupDiGetDeviceRegistryPropertyA(devices_, &info, SPDRP_HARDWAREID, &type,
                                                     buffer, size, required) != FALSE;
        });
    }

    std::optional<std::string> InstanceId(uint32_t memberIndex) override {
        SP_DEVINFO_DATA info;
        if (!Fetch(memberIndex, info)) return std::nullopt;
        return ReadGrowing([&](BYTE* buffer, DWORD size, DWORD* required) {
            return SetupDiGetDeviceInstanceIdA(devices_, &info, reinterpret_cast<PSTR>(buffer),
                                               size, required) != FALSE;
        });
    }

    bool SetClassInstallParams(uint32_t memberIndex, DeviceStateChange change,
                               StateChangeScope scope) override {
        SP_DEVINFO_DATA info;
        if (!Fetch(memberIndex, info)) return false;
        SP_PROPCHANGE_PARAMS params{};
        params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
        params.StateChange = static_cast<DWORD>(change);
        params.Scope = static_cast<DWORD>(scope);
        params.HwProfile = 0;  // the current hardware profile
        return SetupDiSetClassInstallParamsA(devices_, &info, &params.ClassInstallHeader,
                                             sizeof params) != FALSE;
    }

    bool CallPropertyChangeInstaller(uint32_t memberIndex) override {
        SP_DEVINFO_DATA info;
        if (!Fetch(memberIndex, info)) return false;
        return SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices_, &info) != FALSE;
    }

    std::optional<uint32_t> DeviceInstallFlags(uint32_t memberIndex) override {
        SP_DEVINFO_DATA info;
        if (!Fetch(memberIndex, info)) return std::nullopt;
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof params;
        if (!SetupDiGetDeviceInstallParamsA(devices_, &info, &params)) return std::nullopt;
        return static_cast<uint32_t>(params.Flags);
    }

private:
    bool Fetch(uint32_t memberIndex, SP_DEVINFO_DATA& info) {
        info = SP_DEVINFO_DATA{};
        info.cbSize = sizeof info;
        return SetupDiEnumDeviceInfo(devices_, memberIndex, &info) != FALSE;
    }

    const HDEVINFO devices_;
};

// The instance id of the device behind an interface path, as the system
// knows it; none when the interface is unknown to it.
std::optional<std::string> InstanceOfInterface(const std::string& devicePath) {
    const HDEVINFO devices = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> instance;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (SetupDiOpenDeviceInterfaceA(devices, devicePath.c_str(), 0, &interfaceData)) {
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        DWORD required = 0;
        // Asked without a detail buffer: it fails for the size, but fills `info`.
        SetupDiGetDeviceInterfaceDetailA(devices, &interfaceData, nullptr, 0, &required, &info);
        if (info.DevInst != 0) {
            instance = ReadGrowing([&](BYTE* buffer, DWORD size, DWORD* needed) {
                return SetupDiGetDeviceInstanceIdA(devices, &info, reinterpret_cast<PSTR>(buffer),
                                                   size, needed) != FALSE;
            });
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return instance;
}

}  // namespace

std::unique_ptr<DeviceInfoSet> SetupApiDeviceInstaller::PresentDevices() {
    const HDEVINFO devices = SetupDiGetClassDevsA(&kImageDeviceClass, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<SetupApiDeviceSet>(devices);
}

std::optional<std::string> SetupApiDeviceInstaller::DeviceInstanceOf(
    const std::string& devicePath) {
    if (std::optional<std::string> instance = InstanceOfInterface(devicePath)) {
        if (!instance->empty()) return instance;
    }
    // The device instance is also named inside the path itself.
    std::string named = DeviceInstanceFromInterfacePath(devicePath);
    if (named.empty()) return std::nullopt;
    return named;
}

void SetupApiDeviceInstaller::DebugOutput(std::string_view text) {
    OutputDebugStringA(std::string(text).c_str());
}

}  // namespace kestrovane::win32
