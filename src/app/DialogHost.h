#pragma once

namespace kestrovane {

class Dialog;

// Runs dialogs modally. The host creates the window of the dialog's template,
// attaches it to the dialog object and delivers the window's events to it
// until the dialog ends.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // Returns the result the dialog ended with, or -1 when its window could not
    // be created.
    virtual int RunModal(Dialog& dialog) = 0;
};

}  // namespace kestrovane
