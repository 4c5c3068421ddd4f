#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "camera/Clock.h"
#include "cli/CliPlatform.h"
#include "cli/CliRequests.h"
#include "cli/Console.h"

namespace kestrovane::cli {

// Everything a run of the command line works with.
struct CliEnvironment {
    Console& console;
    Clock& clock;
    // Makes the machine's own services; not called with --simulate, nor for
    // the commands that need no camera.
    PlatformFactory makePlatform;
    // The time each simulated camera takes per transfer (for measurements).
    uint32_t simulatedLatencyUs = 0;
};

// The arguments read, before anything runs: the request, or the exit status
// of a run that ends here (0 after --help or --version, 2 for bad usage, with
// the text written to the console).
struct ParsedCommandLine {
    std::optional<CliRequest> request;
    int exitCode = 0;
};
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments, Console& console);

// Runs the program with the arguments after its name (UTF-8) and returns its
// exit status.
int RunCommandLine(const std::vector<std::string>& arguments, CliEnvironment& environment);

}  // namespace kestrovane::cli
