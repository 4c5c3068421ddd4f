#pragma once

#include <string>

#include "cli/CliRequests.h"
#include "cli/CliSession.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

namespace kestrovane::cli {

// The subcommands. Each reports through the session's output, fills the
// JSON document and returns the exit status.

ExitCode RunList(CliSession& session);
// upload, verify and upload --all.
ExitCode RunUpload(CliSession& session, const UploadRequest& request);
ExitCode RunAuto(CliSession& session, const AutoRequest& request);
ExitCode RunVersion(CliSession& session, const std::string& camera);
ExitCode RunErase(CliSession& session, const EraseRequest& request);
ExitCode RunRegister(CliSession& session, const RegisterRequest& request);
// The image commands need no camera.
ExitCode RunImage(Output& output, const ImageRequest& request);

}  // namespace kestrovane::cli
