#include "camera/CameraRestart.h"

#include "camera/Discovery.h"

namespace kestrovane {

namespace {

constexpr uint32_t kStateChangePauseMs = 2000;

bool SameInstance(std::string_view a, std::string_view b) {
    return !a.empty() && ToUpperAscii(a) == ToUpperAscii(b);
}

}  // namespace

StateChangeResult ChangeDeviceState(DeviceStateChange change, uint32_t memberIndex,
                                    DeviceInfoSet& devices, DeviceInstaller& installer) {
    if (!devices.EnumDeviceInfo(memberIndex)) {
        installer.DebugOutput("SetupDiEnumDeviceInfo FAILED");
        return StateChangeResult::EnumFailed;
    }
    if (!devices.SetClassInstallParams(memberIndex, change, StateChangeScope::Global)) {
        installer.DebugOutput("SetupDiSetClassInstallParams FAILED");
        return StateChangeResult::SetParamsFailed;
    }
    if (!devices.SetClassInstallParams(memberIndex, change, StateChangeScope::ConfigSpecific) ||
        !devices.CallPropertyChangeInstaller(memberIndex)) {
        installer.DebugOutput("SetupDiSetClassInstallParams or SetupDiCallClassInstaller FAILED");
        return StateChangeResult::InstallerFailed;
    }
    const std::optional<uint32_t> flags = devices.DeviceInstallFlags(memberIndex);
    if (!flags) {
        installer.DebugOutput("SetupDiGetDeviceInstallParams FAILED");
        return StateChangeResult::GetParamsFailed;
    }
    if ((*flags & (kDiNeedRestart | kDiNeedReboot)) != 0) {
        installer.DebugOutput("Need Restart Computer");
        return StateChangeResult::NeedsReboot;
    }
    return StateChangeResult::Done;
}

RestartOutcome RestartCamera(DeviceInstaller& installer, Clock& clock,
                             const std::string& cameraPath) {
    using Result = RestartOutcome::Result;
    const std::unique_ptr<DeviceInfoSet> devices = installer.PresentDevices();
    if (!devices) return {Result::NoDeviceList, false};
    const std::optional<std::string> instance = installer.DeviceInstanceOf(cameraPath);
    if (!instance || instance->empty()) return {Result::NoMatchingDevice, false};

    for (uint32_t index = 0; devices->EnumDeviceInfo(index); ++index) {
        // A hardware id that cannot be read is tested as an empty text.
        if (!IsCameraFirstInterface(devices->HardwareId(index).value_or(""))) continue;
        if (!SameInstance(devices->InstanceId(index).value_or(""), *instance)) continue;

        // Both changes and both pauses take place whatever the first did: an
        // enable after a failed disable does no harm, and after a disable
        // that worked it is what brings the camera back.
        const StateChangeResult disabled =
            ChangeDeviceState(DeviceStateChange::Disable, index, *devices, installer);
        const uint32_t disableError = devices->LastError();
        clock.SleepMs(kStateChangePauseMs);
        const StateChangeResult enabled =
            ChangeDeviceState(DeviceStateChange::Enable, index, *devices, installer);
        const uint32_t enableError = devices->LastError();
        clock.SleepMs(kStateChangePauseMs);

        // Once the class installer has run, the change is made, even when its
        // parameters cannot be read back.
        const auto worked = [](StateChangeResult r) {
            return r == StateChangeResult::Done || r == StateChangeResult::NeedsReboot ||
                   r == StateChangeResult::GetParamsFailed;
        };
        RestartOutcome outcome;
        outcome.needsReboot =
            disabled == StateChangeResult::NeedsReboot || enabled == StateChangeResult::NeedsReboot;
        if (!worked(disabled)) {
            outcome.result = Result::DisableFailed;
            outcome.lastError = disableError;
        } else if (!worked(enabled)) {
            outcome.result = Result::LeftDisabled;
            outcome.lastError = enableError;
        }
        return outcome;
    }
    return {Result::NoMatchingDevice, false};
}

bool IsCameraFirstInterface(std::string_view hardwareId) {
    const std::string upper = ToUpperAscii(hardwareId);
    return upper.find("MI_00") != std::string::npos && HasCameraVendorMarker(upper);
}

std::string DeviceInstanceFromInterfacePath(std::string_view devicePath) {
    constexpr std::string_view kPrefix = "\\\\?\\";
    if (devicePath.substr(0, kPrefix.size()) != kPrefix) return {};
    std::string_view rest = devicePath.substr(kPrefix.size());
    // The interface class GUID and what follows it are not part of the device.
    const std::size_t interfaceClass = rest.find("#{");
    if (interfaceClass == std::string_view::npos) return {};
    rest = rest.substr(0, interfaceClass);
    if (rest.find('#') == std::string_view::npos) return {};
    std::string instance = ToUpperAscii(rest);
    for (char& c : instance) {
        if (c == '#') c = '\\';
    }
    return instance;
}

}  // namespace kestrovane
