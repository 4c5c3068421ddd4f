#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Console.h"

namespace kestrovane::cli {

// The console program's terminal: output in UTF-8, whether each standard
// stream is a console, lines read from standard input.
Console MakeWindowsConsole(std::atomic<int32_t>& stopRequested);

// Ctrl+C and Ctrl+Break set `stopRequested` once; a second press ends the
// program as it would without the handler. Closing the console, logging off
// and shutting down set it too, and hold the system's ending of the process
// (for up to 4.5 s) until InterruptibleRunEnded is called.
void CatchInterrupt(std::atomic<int32_t>& stopRequested);
void InterruptibleRunEnded();

// The arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrovane::cli
