#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/CliRequests.h"
#include "cli/ExitCode.h"
#include "cli/Output.h"

namespace kestrovane::cli {

// image check: whether the image fits the EEPROM type and its layout, and
// whether the fields the programs read hold what they should: the lengths
// the editor needs, readable version texts, the description record, and
// picture parameters whose defaults lie within their limits. Each check
// gives a line; any failed check makes the run fail.
ExitCode CheckImageFile(Output& output, const ImageRequest& request);

// One check of `image check`.
struct ImageCheckLine {
    std::string name;
    bool ok = true;
    std::string detail;
};

// Every check of `image check` on the image `request` names; none when the
// file cannot be read. The commands that write an image (upload, verify, auto,
// image set) run the same checks, so no image is written that the checks fail.
std::optional<std::vector<ImageCheckLine>> RunImageChecks(const ImageRequest& request);

// The checks before an image is written into a camera: true when the image
// passes them, or fails them and `--force` was given (the failures are then
// told as notices). Otherwise each failed check is reported as an error.
bool UploadImagePassesChecks(Output& output, const UploadRequest& request);

}  // namespace kestrovane::cli
