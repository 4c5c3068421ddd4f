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

std::atomic<bool> runEnded{false};

BOOL WINAPI OnControl(DWORD event) {
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process once this handler returns (and after
        // 5 s in any case): ask the run to stop, as Ctrl+C does, and give it
        // the time to stop at the top of its next block and end.
        if (interruptFlag) interruptFlag->store(1);
        for (int waited = 0; waited < 4500 && !runEnded.load(); waited += 50) Sleep(50);
        return TRUE;
    }
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

// The width of the console window standard error goes to; 0 when it is not one.
std::size_t ConsoleColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? static_cast<std::size_t>(columns) : 0;
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
                   stopRequested,
                   [] { return ConsoleColumns(); }};
}

void CatchInterrupt(std::atomic<int32_t>& stopRequested) {
    interruptFlag = &stopRequested;
    SetConsoleCtrlHandler(OnControl, TRUE);
}

void InterruptibleRunEnded() {
    runEnded.store(true);
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
