#include "cli/win32/WindowsPlatform.h"

namespace kestrovane::cli {

std::string WindowsPlatform::RestartRightsAdvice() const {
    return "Restarting a camera changes its device's state, which Windows allows only to an "
           "administrator: run kestrovane-cli from an administrator console, or unplug the "
           "camera and plug it in again to run the new image.";
}

}  // namespace kestrovane::cli
