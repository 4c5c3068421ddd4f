// kestrovane-cli.exe: the console, Ctrl+C and the machine's cameras through
// DirectShow around the portable command line.
#include <atomic>

#include "camera/Clock.h"
#include "cli/CommandLine.h"
#include "cli/win32/WindowsConsole.h"
#include "cli/win32/WindowsPlatform.h"

int main() {
    using namespace kestrovane;
    static std::atomic<int32_t> stopRequested{0};
    cli::CatchInterrupt(stopRequested);
    cli::Console console = cli::MakeWindowsConsole(stopRequested);
    SystemClock clock;
    cli::CliEnvironment environment{console, clock,
                                    [](cli::VerboseLines) -> std::unique_ptr<cli::CliPlatform> {
                                        return std::make_unique<cli::WindowsPlatform>();
                                    }};
    const int code = cli::RunCommandLine(cli::CommandLineArguments(), environment);
    cli::InterruptibleRunEnded();
    return code;
}
