#pragma once

#include <atomic>
#include <cstdint>

#include "cli/Console.h"

namespace kestrovane::cli {

// The process's terminal: standard output and error, whether each is a
// terminal, lines read from standard input.
Console MakeLinuxConsole(std::atomic<int32_t>& stopRequested);

// Ctrl+C (SIGINT), SIGTERM and SIGHUP set `stopRequested` once; a second one
// of the same signal ends the program at once, as it would without the handler.
void CatchInterrupt(std::atomic<int32_t>& stopRequested);

}  // namespace kestrovane::cli
