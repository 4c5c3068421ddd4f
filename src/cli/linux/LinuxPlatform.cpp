#include "cli/linux/LinuxPlatform.h"

namespace kestrovane::cli {

namespace {

linux_camera::UvcCameraPortOptions PortOptions(const LinuxPlatformOptions& options,
                                               VerboseLines verbose) {
    linux_camera::UvcCameraPortOptions port;
    port.sysfsRoot = options.sysfsRoot;
    port.deviceFolder = options.deviceFolder;
    port.io = options.io;
    port.verbose = std::move(verbose);
    return port;
}

}  // namespace

LinuxPlatform::LinuxPlatform(const LinuxPlatformOptions& options, VerboseLines verbose)
    : cameras_(PortOptions(options, verbose)),
      claims_(options.claimFolder, verbose),
      installer_(options.sysfsRoot, verbose) {}

std::vector<DeviceNote> LinuxPlatform::DeviceNotes() {
    std::vector<DeviceNote> notes;
    for (const linux_camera::CaptureDevice& device : cameras_.CaptureDevices()) {
        notes.push_back({device.devicePath, device.videoNode, device.product, device.accessible,
                         device.extensionUnit, device.serial, device.port});
    }
    return notes;
}

std::string LinuxPlatform::RestartRightsAdvice() const {
    return "Restarting a camera rebinds its driver, which Linux allows only to root: run "
           "kestrovane-cli as root, or unplug the camera and plug it in again to run the new "
           "image.";
}

}  // namespace kestrovane::cli
