#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "camera/Clock.h"
#include "camera/DeviceInstaller.h"

namespace kestrovane {

// How one state change of a device went.
enum class StateChangeResult {
    Done,
    NeedsReboot,      // done, but the system asks for a restart of the computer
    EnumFailed,       // the device could not be fetched from the list
    SetParamsFailed,  // the class install parameters were refused
    InstallerFailed,  // the config-specific parameters or the class installer failed
    GetParamsFailed,  // the install parameters could not be read back
};

// Applies one state change to the device at `memberIndex` of `devices`: the
// class install parameters first globally, then for the current
// configuration, with which the class installer runs once. Every failure is
// also written to the installer's debug output.
StateChangeResult ChangeDeviceState(DeviceStateChange change, uint32_t memberIndex,
                                    DeviceInfoSet& devices, DeviceInstaller& installer);

// How a camera restart went.
struct RestartOutcome {
    enum class Result {
        Restarted,
        NoDeviceList,      // the system's device list could not be had
        NoMatchingDevice,  // the run's camera is not among the present devices
        DisableFailed,     // the camera was not disabled, so it did not restart
        LeftDisabled,      // disabled, but the enable failed: it stays disabled
    };
    Result result = Result::Restarted;
    // One of the changes asked for a restart of the computer.
    bool needsReboot = false;
    // DisableFailed, LeftDisabled: the device list's error number after the
    // change that failed (kErrorAccessDenied when the user lacks the rights);
    // 0 when the installer cannot tell.
    uint32_t lastError = 0;
};

// Restarts the camera whose interface is at `cameraPath` by disabling its
// device and enabling it again, with a 2000 ms pause after each change, so
// that it boots the image in its EEPROM. Only the device behind that path is
// touched, and only when its hardware id carries a vendor marker and "MI_00"
// (the camera's first interface): another camera, perhaps being programmed by
// another copy of the program, is never restarted.
RestartOutcome RestartCamera(DeviceInstaller& installer, Clock& clock,
                             const std::string& cameraPath);

// True when the first string of a hardware id marks the first interface of a
// Tovrine camera: upper-cased, it contains "MI_00" and a vendor marker.
bool IsCameraFirstInterface(std::string_view hardwareId);

// The device instance id named in a Windows device interface path:
// "\\?\usb#vid_3a5e&pid_2b01&mi_00#7&2f1c9a5e&0&0000#{guid}\global" names
// "USB\VID_3A5E&PID_2B01&MI_00\7&2F1C9A5E&0&0000". Empty when the path has
// no such form.
std::string DeviceInstanceFromInterfacePath(std::string_view devicePath);

}  // namespace kestrovane
