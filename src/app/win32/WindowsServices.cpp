#include "app/win32/WindowsServices.h"

#include <shellapi.h>

#include "app/win32/Utf8.h"

namespace kestrovane::win32 {

std::unique_ptr<WindowsServices> MakeWindowsServices(
    HINSTANCE instance, const std::vector<std::string>& /*arguments*/) {
    return std::make_unique<WindowsServices>(instance);
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(WideToUtf8(words[i]));
    LocalFree(words);
    return arguments;
}

}  // namespace kestrovane::win32
