#pragma once

#include <cstddef>
#include <string>

#include "cli/CliRequests.h"
#include "cli/CliSession.h"
#include "cli/ExitCode.h"
#include "cli/OperationLogging.h"

namespace kestrovane::cli {

// Reads `size` bytes of the EEPROM of the camera under `cameraPath` (held
// under this run's claim) and saves them to `file` through a temporary file
// of its own, so the file is the whole EEPROM or what it was before. Shows
// progress as `label`; reports what went wrong. The JSON part goes to `json`.
ExitCode SaveEeprom(CliSession& session, const std::string& cameraPath, std::size_t size,
                    const std::string& file, const std::string& label, Json& json);

// read FILE: the whole EEPROM of the chosen camera into FILE.
ExitCode RunRead(CliSession& session, const ReadRequest& request);

}  // namespace kestrovane::cli
