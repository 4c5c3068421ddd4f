#pragma once

#include <string>

#include "filterrestore/MeritRepair.h"

namespace kestrovane {

// The one message box the repair ends with.
struct UserMessage {
    std::string text;
    std::string caption;
    bool isError = false;  // error icon; otherwise no icon
};

inline constexpr char kSuccessText[] = "Register recover sucessfully. Please reboot.";
inline constexpr char kSuccessCaption[] = "Success";
inline constexpr char kErrorCaption[] = "Error";

// Success when the report says so; otherwise an error naming, view by view,
// what was found.
UserMessage ComposeMessage(const RepairReport& report);

// 0 after a full success, 1 otherwise (nothing repaired, or a write failed).
int ExitCodeFor(const RepairReport& report);

}  // namespace kestrovane
