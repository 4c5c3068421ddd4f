#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "camera/CameraRestart.h"
#include "upload/DeviceVersion.h"
#include "upload/UploadOutcome.h"

namespace kestrovane {

// The words in which every front end reports the engine's outcomes: the
// dialog in its message boxes and status line, the command line on standard
// error. Only the words live here; how they are shown is the front end's.

// What kind of report a text is: a plain notice, a refusal of the user's
// input or of a local resource, or a camera operation that failed.
enum class ReportTone { Notice, Refusal, Failure };

struct OutcomeText {
    std::string text;
    ReportTone tone = ReportTone::Notice;

    friend bool operator==(const OutcomeText&, const OutcomeText&) = default;
};

// How a single run reports the end of writing a camera; none for a run that
// never began its blocks.
std::optional<OutcomeText> SingleRunText(const UploadOutcome& outcome);

// After a commit of block 0 that failed once its write went out: that the
// camera holds an incomplete image with 'B' set back, or, when 'B' could not
// be set back and so the marker's state is unknown, that it may hold one.
// None when no such attempt was made.
std::optional<OutcomeText> IncompleteImageText(const UploadOutcome& outcome);

// How an auto run reports one pass over a camera: a status text (shown after
// "Operation status: "), or a text that needs the user's attention instead,
// and whether the run ends.
struct AutoPassText {
    std::optional<std::string> status;
    std::optional<OutcomeText> message;
    bool endsRun = false;
};
AutoPassText AutoPassOutcomeText(const UploadOutcome& outcome);

// "New bin works": the jump to the new image was refused.
inline constexpr std::string_view kJumpErrorText = "Jump error";
// "New bin works", "EEPROM force write" and Get Version on a camera whose
// firmware has no command channel.
inline constexpr std::string_view kFunctionNotSupportedText =
    "Function not supported by current BIN";
// A version read that failed with `code`.
std::string_view VersionReadFailureText(int code);

inline constexpr std::string_view kEraseQuestionText = "Are you sure to erase the bin in device?";
std::string_view EraseResultText(EraseResult result);

// What the user should know after a camera restart that did not go as it
// should; none after a clean restart.
std::optional<std::string> RestartNoticeText(const RestartOutcome& outcome);

}  // namespace kestrovane
