#pragma once

#include <windows.h>

#include <vector>

#include "app/DialogHost.h"

namespace kestrovane::win32 {

// Runs portable dialogs on dialog windows built from the program's templates.
// A dialog opened while another is up is owned by it, so the one below waits
// disabled until it ends.
class Win32DialogHost final : public DialogHost {
public:
    explicit Win32DialogHost(HINSTANCE instance) : instance_(instance) {}
    int RunModal(Dialog& dialog) override;

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    const HINSTANCE instance_;
    std::vector<HWND> openWindows_;  // innermost last
};

}  // namespace kestrovane::win32
