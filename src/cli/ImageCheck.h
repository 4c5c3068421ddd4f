#pragma once

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

}  // namespace kestrovane::cli
