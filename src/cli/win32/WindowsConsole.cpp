#include "cli/win32/WindowsConsole.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <iostream>

#include "camera/win32/WideText.h"

namespace kestrovane::cli {

namespace {

std::atomic<int32_t>* interruptFlag = nullptr;

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // The first press is a stop request; a second one goes to the default
    // handler, which ends the program.
    if (!interruptFlag || interruptFlag->exchange(1) != 0) return FALSE;
    return TRUE;
}

bool IsConsole(DWORD standardHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}

}  // namespace

Console MakeWindowsConsole(std::atomic<int32_t>& stopRequested) {
    SetConsoleOutputCP(CP_UTF8);
    const auto readLine = []() -> std::optional<std::string> {
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    };
    return Console{std::cout,
                   std::cerr,
                   IsConsole(STD_OUTPUT_HANDLE),
                   IsConsole(STD_ERROR_HANDLE),
                   IsConsole(STD_INPUT_HANDLE),
                   readLine,
                   stopRequested};
}

void CatchInterrupt(std::atomic<int32_t>& stopRequested) {
    interruptFlag = &stopRequested;
    SetConsoleCtrlHandler(OnControl, TRUE);
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(win32::Utf8FromWide(words[i]));
    LocalFree(words);
    return arguments;
}

}  // namespace kestrovane::cli
