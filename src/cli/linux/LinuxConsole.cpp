#include "cli/linux/LinuxConsole.h"

#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace kestrovane::cli {

namespace {

std::atomic<int32_t>* interruptFlag = nullptr;

void OnInterrupt(int) {
    // Only a lock-free store is safe in a signal handler.
    if (interruptFlag) interruptFlag->store(1);
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
                   stopRequested};
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
}

}  // namespace kestrovane::cli
