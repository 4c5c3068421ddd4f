#pragma once

#include "camera/WindowList.h"

namespace kestrovane::win32 {

// The titles of the desktop's top-level windows, each read whole whatever its
// length, so that a long device path in a caption is compared in full.
class DesktopWindowList final : public WindowList {
public:
    std::vector<std::string> TopLevelWindowTitles() override;
};

}  // namespace kestrovane::win32
