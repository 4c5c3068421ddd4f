#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/win32/ModulePath.h"
#include "app/win32/Win32DialogHost.h"
#include "camera/Clock.h"

namespace kestrovane::win32 {

// The services of the running program on Windows.
struct WindowsServices {
    explicit WindowsServices(HINSTANCE instance) : dialogHost(instance) {}

    AppServices Ports() { return {dialogHost, programPath, clock}; }

    SystemClock clock;
    Win32ProgramPath programPath;
    Win32DialogHost dialogHost;
};

// Builds the program's services. `arguments` are the command-line arguments
// after the program's name; none is needed and unknown ones are ignored.
std::unique_ptr<WindowsServices> MakeWindowsServices(HINSTANCE instance,
                                                     const std::vector<std::string>& arguments);

// The command-line arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrovane::win32
