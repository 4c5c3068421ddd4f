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
// program as it would without the handler.
void CatchInterrupt(std::atomic<int32_t>& stopRequested);

// The arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrovane::cli
