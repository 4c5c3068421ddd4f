#pragma once

#include "camera/DeviceInstaller.h"
#include "cli/CliPlatform.h"

namespace kestrovane::cli {

// --verbose: the device installer's debug output (what a restart did and
// where it failed) is shown to the user as well as sent where it always goes.
class TracingDeviceInstaller final : public DeviceInstaller {
public:
    TracingDeviceInstaller(DeviceInstaller& traced, VerboseLines lines)
        : traced_(traced), lines_(std::move(lines)) {}

    std::unique_ptr<DeviceInfoSet> PresentDevices() override { return traced_.PresentDevices(); }
    std::optional<std::string> DeviceInstanceOf(const std::string& devicePath) override {
        return traced_.DeviceInstanceOf(devicePath);
    }
    void DebugOutput(std::string_view text) override {
        if (lines_) lines_("restart: " + std::string(text));
        traced_.DebugOutput(text);
    }

private:
    DeviceInstaller& traced_;
    VerboseLines lines_;
};

}  // namespace kestrovane::cli
