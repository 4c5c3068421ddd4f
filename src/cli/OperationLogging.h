#pragma once

#include <map>
#include <optional>
#include <string>

#include "cli/CliPlatform.h"
#include "cli/CliSession.h"
#include "cli/Output.h"
#include "upload/OperationLog.h"

namespace kestrovane::cli {

// The --log of one run: a record per camera operation, with the camera's
// serial and port as the platform reports them. Does nothing without --log.
// Log may be called from the threads of `upload --all` at once.
class OperationLogging {
public:
    explicit OperationLogging(CliSession& session);

    bool Enabled() const { return log_.has_value(); }

    // A record for an operation on the camera under `cameraPath`, with the
    // tool, the camera's serial and port filled in.
    OperationRecord Begin(const std::string& operation, const std::string& cameraPath) const;

    // Reads what the camera holds now (its version texts and marker), takes
    // the result, step, block and time from the camera's part of the JSON
    // document, and appends the record. False, after an error on standard
    // error, when the record could not be written.
    bool Finish(OperationRecord record, const Json& cameraJson);
    // Appends the record as it is.
    bool Append(const OperationRecord& record);

private:
    CliSession& session_;
    std::optional<OperationLog> log_;
    std::map<std::string, DeviceNote> notes_;
};

// Whether FILE can take log records: it is created when missing and never
// truncated. Reports why not.
bool CheckLogFile(Output& output, const std::string& file);

}  // namespace kestrovane::cli
