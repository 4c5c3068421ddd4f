#include "app/win32/WindowsServices.h"

#include <shellapi.h>

#include <algorithm>
#include <string_view>

#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

namespace {

// 24C128: 16 KiB.
constexpr size_t kSimulatedEepromSize = 16384;

}  // namespace

SimulatedCameras::SimulatedCameras(Clock& clock)
    : machine(clock),
      hotPlug(machine, sim::UsbCameraPath("3a5e", "2b01", "7&2f1c9a5e&0&0000"),
              kSimulatedEepromSize, 2) {}

std::unique_ptr<WindowsServices> MakeWindowsServices(HINSTANCE instance,
                                                     const std::vector<std::string>& arguments) {
    auto services = std::make_unique<WindowsServices>(instance);
    const auto given = [&](std::string_view argument) {
        return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
    };
    services->showAdvancedButton = given("--advanced");
    if (const auto log = std::find(arguments.begin(), arguments.end(), "--log");
        log != arguments.end() && log + 1 != arguments.end()) {
        services->operationLogFile = *(log + 1);
    }
    if (given("--simulate")) {
        services->simulated = std::make_unique<SimulatedCameras>(services->clock);
    }
    return services;
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromWide(words[i]));
    LocalFree(words);
    return arguments;
}

}  // namespace kestrovane::win32
