#pragma once

#include <memory>
#include <optional>
#include <string>

#include "camera/CameraClaim.h"
#include "cli/CliSession.h"

namespace kestrovane::cli {

// The camera a command works with, held under its claim for the whole command.
struct ChosenCamera {
    std::string path;
    std::unique_ptr<CameraClaim> claim;
};

// With `requested` empty, the first free camera as the dialog's Upload button
// chooses it; otherwise the camera `requested` names (an index, serial:,
// port: or a path; see CameraSelector.h), which must carry a vendor
// marker, be attached (unless `mayBeAbsent`), shown in no window's caption
// and free to claim. Reports "No device" and why when there is none.
std::optional<ChosenCamera> ChooseCamera(CliSession& session, const std::string& requested,
                                         bool mayBeAbsent = false);

}  // namespace kestrovane::cli
