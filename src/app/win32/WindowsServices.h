#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/win32/ModulePath.h"
#include "app/win32/Win32DialogHost.h"
#include "camera/CameraPath.h"
#include "camera/Clock.h"
#include "camera/sim/SimulatedMachine.h"
#include "camera/win32/DesktopWindowList.h"
#include "camera/win32/DirectShowCameraPort.h"
#include "camera/win32/NamedMutexClaims.h"

namespace kestrovane::win32 {

// The services of the running program on Windows. With `--simulate` the
// cameras are those of a simulated machine; the window list and the claims
// stay the desktop's, so copies still claim cameras from each other.
struct WindowsServices {
    explicit WindowsServices(HINSTANCE instance) : dialogHost(instance) {}

    AppServices Ports() {
        CameraPort& cameras =
            simulated ? static_cast<CameraPort&>(*simulated) : static_cast<CameraPort&>(devices);
        return {dialogHost, programPath, clock,      cameras,
                windows,    claims,      cameraPath, showAdvancedButton};
    }

    SystemClock clock;
    Win32ProgramPath programPath;
    Win32DialogHost dialogHost;
    DirectShowCameraPort devices;
    DesktopWindowList windows;
    NamedMutexClaims claims;
    CameraPath cameraPath;
    std::unique_ptr<sim::SimulatedMachine> simulated;
    bool showAdvancedButton = false;
};

// Builds the program's services. `arguments` are the command-line arguments
// after the program's name: "--simulate" plugs in a simulated camera (one
// Tovrine camera, protocol level 2, 24C128), "--advanced" shows the main
// dialog's Advanced button; other arguments are ignored.
std::unique_ptr<WindowsServices> MakeWindowsServices(HINSTANCE instance,
                                                     const std::vector<std::string>& arguments);

// The command-line arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrovane::win32
