#pragma once

#include <string>
#include <vector>

namespace kestrovane {

// The titles of all top-level windows of the desktop, the program's own among
// them. A copy of the program claims a camera by showing its device path as
// the caption of its main window.
class WindowList {
public:
    virtual ~WindowList() = default;
    virtual std::vector<std::string> TopLevelWindowTitles() = 0;
};

}  // namespace kestrovane
