#pragma once

namespace kestrovane::cli {

// What the program's exit status tells a script.
enum class ExitCode : int {
    Done = 0,      // the operation did what was asked
    Failed = 1,    // a transfer, a check or a comparison failed, or the user declined
    BadInput = 2,  // usage, or an image, register file or value that cannot be used
    NoCamera = 3,  // no camera to work with
};

inline int ToInt(ExitCode code) {
    return static_cast<int>(code);
}

}  // namespace kestrovane::cli
