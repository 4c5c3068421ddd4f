#pragma once

#include <windows.h>

#include <string>

namespace kestrovane {

// The system's own words for an error code, without the line break it ends
// them with; "error N" when it has none.
std::string SystemErrorText(DWORD error);

}  // namespace kestrovane
