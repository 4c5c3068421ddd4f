#include "cli/linux/LinuxConsole.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

namespace kestrovane::cli {

namespace {

std::atomic<int32_t>* interruptFlag = nullptr;

void OnInterrupt(int) {
    // Only a lock-free store is safe in a signal handler.
    if (interruptFlag) interruptFlag->store(1);
}

// The width of the terminal standard error goes to; else $COLUMNS; else 0.
std::size_t TerminalColumns() {
    struct winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0 && value < 10000) return static_cast<std::size_t>(value);
    }
    return 0;
}

}  // namespace

Console MakeLinuxConsole(std::atomic<int32_t>& stopRequested) {
    const auto readLine = []() -> std::optional<std::string> {
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        return line;
    };
    return Console{std::cout,
                   std::cerr,
                   isatty(STDOUT_FILENO) == 1,
                   isatty(STDERR_FILENO) == 1,
                   isatty(STDIN_FILENO) == 1,
                   readLine,
                   stopRequested,
                   [] { return TerminalColumns(); }};
}

void CatchInterrupt(std::atomic<int32_t>& stopRequested) {
    static_assert(std::atomic<int32_t>::is_always_lock_free);
    interruptFlag = &stopRequested;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The first Ctrl+C is a stop request; the handler then gives way to the
    // default, so a second one ends the program. No SA_RESTART: a question
    // waiting on standard input gives up.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    // A dropped ssh session (SIGHUP) and `kill`/`timeout` (SIGTERM) stop the
    // run the same way, so the camera is left with the marker 'B' of a
    // stopped upload rather than in the middle of a block. These stay caught:
    // `timeout` sends its signal to the program and again to its process
    // group, and the second must not end the program mid-block.
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

}  // namespace kestrovane::cli
