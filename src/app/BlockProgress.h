#pragma once

#include <cstddef>

#include "app/DialogWindow.h"
#include "app/UploadDialogIds.h"

namespace kestrovane {

// The progress bar of a run: the range 1 to the block count (as the 16-bit
// range of the platform's control holds it), a step of 1, shown.
inline void ShowBlockProgress(DialogWindow& window, std::size_t blockCount) {
    window.SetProgressRange(kProgressBar, 1, static_cast<int>(blockCount & 0xFFFF));
    window.SetProgressStep(kProgressBar, 1);
    window.ShowItem(kProgressBar, true);
}

inline void ShowBlockPosition(DialogWindow& window, std::size_t blockIndex) {
    window.SetProgressPosition(kProgressBar, static_cast<int>(blockIndex + 1));
}

inline void HideBlockProgress(DialogWindow& window) {
    window.SetProgressStep(kProgressBar, 1);
    window.ShowItem(kProgressBar, false);
}

}  // namespace kestrovane
