#pragma once

#include <filesystem>

#include "camera/DeviceInstaller.h"
#include "camera/linux/SystemError.h"

namespace kestrovane::linux_camera {

// The device installer over sysfs. The present devices are the USB
// interfaces (<sysfsRoot>/bus/usb/devices), in order of name, with the ids
// of SysfsUsb.h; the interface of a camera port path is the one whose path
// the camera port would give it. Disabling unbinds the interface from its
// driver, enabling binds it to that driver again (uvcvideo when it had
// none): the kernel then stops and starts the camera as if it had been
// unplugged. Both need root; a user without the rights gets
// kErrorAccessDenied as the list's last error. The debug output goes to the
// verbose sink.
class SysfsDeviceInstaller final : public DeviceInstaller {
public:
    explicit SysfsDeviceInstaller(std::filesystem::path sysfsRoot = "/sys", VerboseSink debug = {});

    std::unique_ptr<DeviceInfoSet> PresentDevices() override;
    std::optional<std::string> DeviceInstanceOf(const std::string& devicePath) override;
    void DebugOutput(std::string_view text) override;

private:
    std::filesystem::path sysfsRoot_;
    VerboseSink debug_;
};

}  // namespace kestrovane::linux_camera
