// The command line's argument parsing on any words: the input is split at NUL
// bytes into the arguments after the program's name. Nothing is run: only
// ParseCommandLine, which never touches a file or a camera.
//
// Checked: parsing ends in a request, in the end of a run (--help, --version:
// status 0), or in a refusal (status 2) that says why on standard error; an
// accepted request names one command, and its numbers lie in their ranges.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace {

using kestrovane::cli::CliRequest;
using kestrovane::cli::Console;
using kestrovane::cli::ParseCommandLine;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool ValidEeprom(kestrovane::EepromType type) {
    return type >= kestrovane::kEeprom24C02 && type <= kestrovane::kEeprom24C128;
}

void CheckRequest(const CliRequest& request) {
    Require(!request.commandName.empty());
    Require(request.global.simulateCameras >= 0 && request.global.simulateCameras <= 16);
    Require(ValidEeprom(request.upload.eeprom) && ValidEeprom(request.autoRun.upload.eeprom));
    Require(request.upload.blockDelayMs <= 60000 && request.autoRun.upload.blockDelayMs <= 60000);
    Require(request.autoRun.count >= 0);
    Require(!(request.upload.verifyOnly && request.upload.runNew));
    Require(!(request.upload.all && !request.upload.camera.empty()));
    if (request.upload.forcedKind) {
        Require(*request.upload.forcedKind == 0 || *request.upload.forcedKind == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size && arguments.size() <= 32; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    if (size == 0) arguments.clear();

    std::ostringstream out;
    std::ostringstream err;
    std::atomic<int32_t> stop{0};
    Console console{out, err, false, false, false, [] { return std::nullopt; }, stop};
    const auto parsed = ParseCommandLine(arguments, console);
    if (parsed.request) {
        Require(parsed.exitCode == 0);
        CheckRequest(*parsed.request);
        return 0;
    }
    Require(parsed.exitCode == 0 || parsed.exitCode == 2);
    if (parsed.exitCode == 2) Require(!err.str().empty());
    return 0;
}
