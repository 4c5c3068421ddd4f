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
#include "camera/sim/SimulatedDeviceInstaller.h"
#include "camera/sim/SimulatedHotPlug.h"
#include "camera/sim/SimulatedMachine.h"
#include "camera/win32/DesktopWindowList.h"
#include "camera/win32/DirectShowCameraPort.h"
#include "camera/win32/NamedMutexClaims.h"
#include "camera/win32/SetupApiDeviceInstaller.h"

namespace kestrovane::win32 {

// The simulated machine of `--simulate`: one camera that the system menu can
// unplug and swap for a new one, and the machine's device installer.
struct SimulatedCameras final : SimulationMenu {
    explicit SimulatedCameras(Clock& clock);
    void UnplugCamera() override { hotPlug.Unplug(); }
    void PlugInNewCamera() override { hotPlug.PlugInNew(); }

    sim::SimulatedMachine machine;
    sim::SimulatedDeviceInstaller installer{machine};
    sim::SimulatedHotPlug hotPlug;
};

// The services of the running program on Windows. With `--simulate` the
// cameras and the device installer are those of a simulated machine; the
// window list and the claims stay the desktop's, so copies still claim
// cameras from each other.
struct WindowsServices {
    explicit WindowsServices(HINSTANCE instance) : dialogHost(instance) {}

    AppServices Ports() {
        if (simulated) {
            return {dialogHost,      programPath, clock,      simulated->machine,
                    windows,         claims,      cameraPath, simulated->installer,
                    simulated.get(), showAdvancedButton, operationLogFile};
        }
        return {dialogHost, programPath, clock,     devices,
                windows,    claims,      cameraPath, installer,
                nullptr,    showAdvancedButton, operationLogFile};
    }

    SystemClock clock;
    Win32ProgramPath programPath;
    Win32DialogHost dialogHost;
    DirectShowCameraPort devices;
    DesktopWindowList windows;
    NamedMutexClaims claims;
    SetupApiDeviceInstaller installer;
    CameraPath cameraPath;
    std::unique_ptr<SimulatedCameras> simulated;
    bool showAdvancedButton = false;
    std::string operationLogFile;
};

// Builds the program's services. `arguments` are the command-line arguments
// after the program's name: "--simulate" plugs in a simulated camera (one
// Tovrine camera, protocol level 2, 24C128) and adds the system-menu items
// that unplug it and plug a new one in; "--advanced" shows the main dialog's
// Advanced button; "--log FILE" appends a record of every camera a run serves
// to FILE; other arguments are ignored.
std::unique_ptr<WindowsServices> MakeWindowsServices(HINSTANCE instance,
                                                     const std::vector<std::string>& arguments);

// The command-line arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrovane::win32
