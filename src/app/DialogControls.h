#pragma once

#include "app/Dialog.h"

namespace kestrovane {

// A drop-down list of a dialog, reached through the dialog's current window.
class ComboBoxControl {
public:
    ComboBoxControl(const Dialog& owner, int controlId) : owner_(owner), controlId_(controlId) {}
    int ControlId() const { return controlId_; }
    void AddItem(std::string_view text) const { owner_.Window().AddComboItem(controlId_, text); }
    // The selected index, -1 when nothing is selected or the window is gone.
    int Selection() const { return owner_.Window().ComboSelection(controlId_); }
    void Select(int index) const { owner_.Window().SelectComboItem(controlId_, index); }

private:
    const Dialog& owner_;
    const int controlId_;
};

// A progress bar of a dialog, reached through the dialog's current window.
class ProgressBarControl {
public:
    ProgressBarControl(const Dialog& owner, int controlId) : owner_(owner), controlId_(controlId) {}
    int ControlId() const { return controlId_; }
    void SetRange(int low, int high) const {
        owner_.Window().SetProgressRange(controlId_, low, high);
    }
    void SetStep(int step) const { owner_.Window().SetProgressStep(controlId_, step); }
    void SetPosition(int position) const {
        owner_.Window().SetProgressPosition(controlId_, position);
    }
    void StepIt() const { owner_.Window().StepProgress(controlId_); }
    void Show(bool visible) const { owner_.Window().ShowItem(controlId_, visible); }

private:
    const Dialog& owner_;
    const int controlId_;
};

}  // namespace kestrovane
