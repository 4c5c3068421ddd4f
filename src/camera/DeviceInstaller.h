#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestrovane {

// The system's device installer, shaped like the platform's device
// information sets: a list of the present devices of every class, addressed
// by member index, whose state (enabled, disabled) can be changed.

// State changes and their scope, with the platform's values.
enum class DeviceStateChange : uint32_t { Enable = 1, Disable = 2 };
enum class StateChangeScope : uint32_t { Global = 1, ConfigSpecific = 2 };

// Flags of the device install parameters that ask for a restart of the system.
inline constexpr uint32_t kDiNeedRestart = 0x80;
inline constexpr uint32_t kDiNeedReboot = 0x100;

// Error numbers of a failed call, with the platform's values.
inline constexpr uint32_t kErrorAccessDenied = 5;  // the user lacks the rights

class DeviceInfoSet {
public:
    virtual ~DeviceInfoSet() = default;
    // True while `memberIndex` names a device of the list; false past the last.
    virtual bool EnumDeviceInfo(uint32_t memberIndex) = 0;
    // The first string of the device's hardware id; none when it cannot be read.
    virtual std::optional<std::string> HardwareId(uint32_t memberIndex) = 0;
    // The device's instance id; none when it cannot be read.
    virtual std::optional<std::string> InstanceId(uint32_t memberIndex) = 0;
    // Records a property change (hardware profile 0) for the next call of the
    // class installer.
    virtual bool SetClassInstallParams(uint32_t memberIndex, DeviceStateChange change,
                                       StateChangeScope scope) = 0;
    // Runs the class installer's property change with the recorded parameters.
    virtual bool CallPropertyChangeInstaller(uint32_t memberIndex) = 0;
    // The install parameters' flags after a change; none when they cannot be read.
    virtual std::optional<uint32_t> DeviceInstallFlags(uint32_t memberIndex) = 0;
    // The error number of the last call on this list that failed (like the
    // platform's last error); kErrorAccessDenied when the user lacks the
    // rights, so the caller can say so. 0 when the adapter cannot tell.
    virtual uint32_t LastError() const { return 0; }
};

class DeviceInstaller {
public:
    virtual ~DeviceInstaller() = default;
    // Every present device of every class; null when the list cannot be had.
    virtual std::unique_ptr<DeviceInfoSet> PresentDevices() = 0;
    // The instance id of the device that offers the interface at `devicePath`
    // (a path of the camera port); none when no such device is known.
    virtual std::optional<std::string> DeviceInstanceOf(const std::string& devicePath) = 0;
    // Output for a developer's debugger; the user never sees it.
    virtual void DebugOutput(std::string_view text) = 0;
};

}  // namespace kestrovane
