// Exercises the Windows adapters of the camera port on a real Windows API
// (Wine): the DirectShow enumeration of a machine without video devices, the
// desktop window list with a caption longer than 254 characters, and the
// named-object claims shared between copies, and the device installer over
// SETUPAPI.
// Prints one line per check and closes with "N passed, M failed".

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "camera/CameraRestart.h"
#include "camera/Discovery.h"
#include "camera/win32/DesktopWindowList.h"
#include "camera/win32/DirectShowCameraPort.h"
#include "camera/win32/NamedMutexClaims.h"
#include "camera/win32/SetupApiDeviceInstaller.h"
#include "camera/win32/WideText.h"

using namespace kestrovane;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    ++(ok ? passed : failed);
}

HWND OpenTitledWindow(const std::string& title) {
    return CreateWindowExW(0, L"STATIC", win32::WideFromUtf8(title).c_str(), WS_OVERLAPPED, 0, 0,
                           10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int main() {
    SystemClock clock;
    win32::DirectShowCameraPort cameras;
    win32::DesktopWindowList windows;

    CameraPath cameraPath;
    cameraPath.Set("unchanged");
    Check(FindCamera(cameras, windows, clock, cameraPath) == 0,
          "FindCamera finds no camera on a machine without video devices");
    Check(cameraPath.Get() == "unchanged",
          "FindCamera leaves cameraPath alone when it chooses none");
    std::unique_ptr<CaptureFilter> filter;
    Check(OpenCamera({cameras, "\\\\?\\usb#vid_3a5e&pid_0001#x#{g}"}, &filter) == XU_NO_DEVICE,
          "OpenCamera answers XU_NO_DEVICE");

    const std::string longPath =
        "\\\\?\\usb#vid_3a5e&pid_2b01&mi_00#" + std::string(260, '7') + "#{65e8773d}\\global";
    HWND window = OpenTitledWindow(longPath);
    const auto titles = windows.TopLevelWindowTitles();
    Check(window && std::find(titles.begin(), titles.end(), longPath) != titles.end(),
          "the window list reads a 300-character caption whole");
    DestroyWindow(window);

    win32::NamedMutexClaims claims;
    auto first = claims.TryClaim(longPath);
    auto second = claims.TryClaim(longPath);
    auto other = claims.TryClaim(longPath + "x");
    Check(first && !second && other, "a camera's claim is held once; another camera is free");
    first.reset();
    Check(claims.TryClaim(longPath) != nullptr, "a released claim can be taken again");
    Check(win32::ClaimObjectName(longPath).find('\\', 6) == std::string::npos &&
              win32::ClaimObjectName(longPath).size() < 64,
          "the claim's object name is short and has no backslash after its namespace");

    // The system's device list: every present device, read safely; a camera
    // that is not there is never restarted, and nothing is waited for.
    win32::SetupApiDeviceInstaller installer;
    const std::unique_ptr<DeviceInfoSet> devices = installer.PresentDevices();
    Check(devices != nullptr, "the device installer lists the present devices");
    int listed = 0;
    int withIds = 0;
    for (uint32_t index = 0; devices && devices->EnumDeviceInfo(index) && index < 10000; ++index) {
        ++listed;
        const auto hardwareId = devices->HardwareId(index);
        const auto instanceId = devices->InstanceId(index);
        if (hardwareId && instanceId && !instanceId->empty()) ++withIds;
    }
    std::printf("device installer: %d devices, %d with hardware and instance ids\n", listed,
                withIds);
    Check(listed > 0 && withIds > 0, "hardware and instance ids are read");
    const std::string absent =
        "\\\\?\\usb#vid_3a5e&pid_2b01&mi_00#7&absent&0&0000#{65e8773d}\\global";
    Check(installer.DeviceInstanceOf(absent) == "USB\\VID_3A5E&PID_2B01&MI_00\\7&ABSENT&0&0000",
          "an interface unknown to the system names its device instance by its path");
    const ULONGLONG before = GetTickCount64();
    Check(RestartCamera(installer, clock, absent).result ==
                  RestartOutcome::Result::NoMatchingDevice &&
              GetTickCount64() - before < 2000,
          "a camera that is not present is not restarted");

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
