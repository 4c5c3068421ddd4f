#pragma once

#include <string>

#include "cli/CliRequests.h"
#include "cli/CliSession.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

namespace kestrovane::cli {

// upload --dry-run on the camera under `cameraPath`, which this run has
// claimed: reads its versions and marker and says what the upload would
// write. Sends no write request. The camera's part of the JSON goes to `json`.
ExitCode DryRun(CliSession& session, const UploadRequest& request, const std::string& cameraPath,
                Json& json);

}  // namespace kestrovane::cli
