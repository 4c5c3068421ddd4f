#pragma once

#include "camera/DeviceInstaller.h"

namespace kestrovane::win32 {

// The device installer port over SETUPAPI: the present devices of every
// class, their hardware and instance ids, property changes through the class
// installer, and debug output through OutputDebugStringA.
class SetupApiDeviceInstaller final : public DeviceInstaller {
public:
    std::unique_ptr<DeviceInfoSet> PresentDevices() override;
    std::optional<std::string> DeviceInstanceOf(const std::string& devicePath) override;
    void DebugOutput(std::string_view text) override;
};

}  // namespace kestrovane::win32
