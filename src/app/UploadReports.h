#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "upload/UploadOutcome.h"

namespace kestrovane {

// A message box: its text, its caption (none: the program's name) and style.
struct MessageReport {
    std::string text;
    std::optional<std::string> caption;
    uint32_t style = 0;

    friend bool operator==(const MessageReport&, const MessageReport&) = default;
};

// How the single run reports the end of writing a camera: one message box.
// None for a run that never began its blocks because the dialog is closing.
std::optional<MessageReport> SingleRunReport(const UploadOutcome& outcome);

// After a failed commit of block 0: that the camera holds (marker set back
// to 'B') or may hold (marker unknown) an incomplete image. None otherwise.
std::optional<MessageReport> IncompleteImageNotice(const UploadOutcome& outcome);

// How the auto run reports one pass over a camera: a new text for the status
// line, or a message box (the status line then keeps its text), and whether
// the run ends.
struct AutoRunReport {
    std::optional<std::string> status;
    std::optional<MessageReport> message;
    bool endsRun = false;
};
AutoRunReport AutoPassReport(const UploadOutcome& outcome);

// Status-line texts of the auto run that do not come from a pass.
inline constexpr const char* kStatusNoCamera = "Operation status: No camera";
inline constexpr const char* kStatusUploadGoing = "Operation status: Upload is going...";
inline constexpr const char* kStatusNotStarted = "Operation status: Not started";

}  // namespace kestrovane
