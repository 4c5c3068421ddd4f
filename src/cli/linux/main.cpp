// kestrovane-cli on Linux: the terminal, Ctrl+C and the machine's cameras
// through the UVC driver around the portable command line.
#include <atomic>
#include <string>
#include <vector>

#include "camera/Clock.h"
#include "cli/CommandLine.h"
#include "cli/linux/LinuxConsole.h"
#include "cli/linux/LinuxPlatform.h"

int main(int argc, char** argv) {
    using namespace kestrovane;
    static std::atomic<int32_t> stopRequested{0};
    cli::CatchInterrupt(stopRequested);
    cli::Console console = cli::MakeLinuxConsole(stopRequested);
    SystemClock clock;
    cli::CliEnvironment environment{
        console, clock, [](cli::VerboseLines verbose) -> std::unique_ptr<cli::CliPlatform> {
            return std::make_unique<cli::LinuxPlatform>(cli::LinuxPlatformOptions{},
                                                        std::move(verbose));
        }};
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return cli::RunCommandLine(arguments, environment);
}
