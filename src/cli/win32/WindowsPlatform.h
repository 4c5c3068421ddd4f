#pragma once

#include "camera/win32/DesktopWindowList.h"
#include "camera/win32/DirectShowCameraPort.h"
#include "camera/win32/NamedMutexClaims.h"
#include "camera/win32/SetupApiDeviceInstaller.h"
#include "cli/CliPlatform.h"

namespace kestrovane::cli {

// The machine's services on Windows: the cameras through DirectShow and
// kernel streaming, the desktop's window captions and the named claims that
// the dialog uses too (so the dialog and the command line never take the
// same camera), and restarts through SETUPAPI.
class WindowsPlatform final : public CliPlatform {
public:
    CameraPort& Cameras() override { return cameras_; }
    WindowList& Windows() override { return windows_; }
    CameraClaims& Claims() override { return claims_; }
    DeviceInstaller& Installer() override { return installer_; }
    // Each device's USB serial number and the location the system reports.
    std::vector<DeviceNote> DeviceNotes() override;
    std::string RestartRightsAdvice() const override;

private:
    win32::DirectShowCameraPort cameras_;
    win32::DesktopWindowList windows_;
    win32::NamedMutexClaims claims_;
    win32::SetupApiDeviceInstaller installer_;
};

}  // namespace kestrovane::cli
