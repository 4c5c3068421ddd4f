#pragma once

#include <filesystem>

#include "camera/linux/FlockCameraClaims.h"
#include "camera/linux/SysfsDeviceInstaller.h"
#include "camera/linux/UvcCameraPort.h"
#include "cli/CliPlatform.h"

namespace kestrovane::cli {

// Where the Linux services look; tests point them at synthetic trees.
struct LinuxPlatformOptions {
    std::filesystem::path sysfsRoot = "/sys";
    std::filesystem::path deviceFolder = "/dev";
    std::filesystem::path claimFolder = linux_camera::FlockCameraClaims::DefaultClaimFolder();
    // The system calls on a video node; null: the real ones.
    std::shared_ptr<linux_camera::UvcDeviceIo> io;
};

// The machine's services on Linux: cameras through the UVC driver, claims
// held with flock, restarts through sysfs. Linux has no window captions that
// claim a camera; the claims alone keep copies apart.
class LinuxPlatform final : public CliPlatform {
public:
    LinuxPlatform(const LinuxPlatformOptions& options, VerboseLines verbose);

    CameraPort& Cameras() override { return cameras_; }
    WindowList& Windows() override { return windows_; }
    CameraClaims& Claims() override { return claims_; }
    DeviceInstaller& Installer() override { return installer_; }
    std::vector<DeviceNote> DeviceNotes() override;
    std::string RestartRightsAdvice() const override;

private:
    class NoWindows final : public WindowList {
    public:
        std::vector<std::string> TopLevelWindowTitles() override { return {}; }
    };

    linux_camera::UvcCameraPort cameras_;
    NoWindows windows_;
    linux_camera::FlockCameraClaims claims_;
    linux_camera::SysfsDeviceInstaller installer_;
};

}  // namespace kestrovane::cli
