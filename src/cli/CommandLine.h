#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera/Clock.h"
#include "cli/CliPlatform.h"
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

// Runs the program with the arguments after its name (UTF-8) and returns its
// exit status.
int RunCommandLine(const std::vector<std::string>& arguments, CliEnvironment& environment);

}  // namespace kestrovane::cli
