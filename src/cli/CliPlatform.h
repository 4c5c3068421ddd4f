#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/CameraClaim.h"
#include "camera/CameraPort.h"
#include "camera/DeviceInstaller.h"
#include "camera/WindowList.h"

namespace kestrovane::cli {

// What the platform knows about a video device beyond the camera port: the
// Linux port tells the device node, the product and whether this user may
// open it; every platform the USB serial number and the port, where it can.
struct DeviceNote {
    std::string path;  // the camera port's device path
    std::string node;
    std::string product;
    std::optional<bool> accessible;
    std::optional<bool> extensionUnit;
    std::string serial;  // the USB serial number; empty when the device has none
    // Where the device is plugged in: the port chain on Linux ("1-2.3"), the
    // system's location text on Windows; none when it is not known.
    std::optional<std::string> port;
};

// The machine's own services, as the platform part of the program makes them.
class CliPlatform {
public:
    virtual ~CliPlatform() = default;
    virtual CameraPort& Cameras() = 0;
    // The captions of the desktop's windows: a camera whose path a window
    // shows belongs to the copy of the dialog that shows it.
    virtual WindowList& Windows() = 0;
    // The claims shared by every copy of the programs.
    virtual CameraClaims& Claims() = 0;
    virtual DeviceInstaller& Installer() = 0;
    virtual std::vector<DeviceNote> DeviceNotes() { return {}; }
    // What a user whom the system refused a camera restart can do.
    virtual std::string RestartRightsAdvice() const = 0;
};

// Where the adapters write what went wrong in words, for --verbose.
using VerboseLines = std::function<void(const std::string& line)>;

using PlatformFactory = std::function<std::unique_ptr<CliPlatform>(VerboseLines verbose)>;

}  // namespace kestrovane::cli
