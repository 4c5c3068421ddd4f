// Kestrovane.exe: the dialog application that programs the cameras' EEPROM.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/UploaderApp.h"
#include "app/win32/WindowsServices.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    const auto services =
        kestrovane::win32::MakeWindowsServices(instance, kestrovane::win32::CommandLineArguments());
    kestrovane::UploaderApp app(services->Ports());
    app.InitInstance();  // returns when the main dialog has closed
    return 0;
}
