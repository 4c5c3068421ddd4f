#pragma once

#include <atomic>
#include <cstdint>

#include "app/DialogWindow.h"

namespace kestrovane {

class DataExchange;

// Control ids that every dialog shares with the platform.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A portable dialog: the object behind one dialog template. The host attaches
// the live window and delivers its events (all on the user-interface thread);
// the dialog reaches its controls through Window(), from any thread.
class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int TemplateId() const { return templateId_; }

    // --- Called by the host. ---
    void AttachWindow(DialogWindow& window) { window_.store(&window); }
    void DetachWindow() { window_.store(&detachedWindow_); }

    // The window exists and its controls are created. Returns true to let the
    // host give the focus to the first control.
    virtual bool OnInitDialog();
    // A button was clicked (or Enter/Escape gave IDOK/IDCANCEL).
    virtual void OnCommand(int controlId);
    virtual void OnTimer(int /*timerId*/) {}
    // Returns false to leave the command to the platform's default processing.
    virtual bool OnSysCommand(uint32_t /*command*/) { return false; }
    // The window's close command (close box, Alt+F4, system menu).
    virtual void OnClose() { OnCancel(); }
    // The window has been destroyed; the dialog object may still be reached by
    // other threads, which from now on see a window that does nothing.
    virtual void OnWindowDestroyed() {}

    DialogWindow& Window() const { return *window_.load(); }

protected:
    // The command table lookup; returns false when no handler is bound.
    virtual bool DispatchBoundCommand(int /*controlId*/) { return false; }
    virtual void OnOK();
    virtual void OnCancel();
    // Binds fields to controls.
    virtual void DoDataExchange(DataExchange& /*exchange*/) {}
    // true: controls to fields (with validation), false: fields to controls.
    // Returns false when a control holds a value its field cannot take; the
    // user has then been told.
    bool UpdateData(bool saveAndValidate);

private:
    const int templateId_;
    DetachedDialogWindow detachedWindow_;
    std::atomic<DialogWindow*> window_{&detachedWindow_};
};

}  // namespace kestrovane
