#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliPlatform.h"
#include "cli/CliSession.h"

namespace kestrovane::cli {

// What `--camera` names: an index from `list` (1 is the first device listed),
// `serial:TEXT` (the USB serial number), `port:TEXT` (where the camera is
// plugged in) or a device path.

// The device path `--camera`'s text names, or none with the reason in `why`.
// A text that is neither an index nor `serial:`/`port:` is a path, returned
// as it is.
std::optional<std::string> ResolveCameraName(CliSession& session, const std::string& name,
                                             std::string& why);

// The platform's notes on the video devices (the simulated cameras' own when
// simulating), in no particular order.
// The device paths in the order `list` numbers them (the numbers --camera
// takes); none for a device whose path cannot be read. `walked` is the
// enumeration's result.
std::vector<std::optional<std::string>> DevicePaths(CameraPort& cameras, HResult& walked);

std::vector<DeviceNote> DeviceNotesOf(CliSession& session);

// For the commands that write: with no camera named and more than one free
// camera, lists them (with their index, serial and port) and says to name
// one; true when it refused. Claims nothing it keeps.
bool RefuseToGuess(CliSession& session, const std::string& requested);

}  // namespace kestrovane::cli
