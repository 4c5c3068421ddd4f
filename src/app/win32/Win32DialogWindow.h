#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "app/DialogWindow.h"

namespace kestrovane::win32 {

// The dialog-window port over a real dialog window.
//
// Calls from the window's own thread act at once; calls from other threads are
// sent to the window as kInvokeMessage and carried out by its thread, which
// serves them whenever it waits for messages (also inside message boxes and
// WaitWhileServing). Once the window is destroyed every call does nothing.
class Win32DialogWindow final : public DialogWindow {
public:
    // Sent with a std::function<void()>* in lParam; the dialog procedure runs it.
    static constexpr UINT kInvokeMessage = WM_APP + 0x2A;
    // Posted by other threads when a progress position waits to be drawn.
    static constexpr UINT kProgressMessage = WM_APP + 0x2B;
    // The one-shot timer that holds the next progress drawing back to the
    // screen's pace.
    static constexpr UINT_PTR kProgressTimer = 0x4B50;

    explicit Win32DialogWindow(HINSTANCE instance) : instance_(instance) {}

    // The window has been created (WM_INITDIALOG) on the calling thread.
    void Attach(HWND window);
    // The window is being destroyed (WM_DESTROY).
    void Detach();
    // The big icon set by SetIcon, for minimised painting and dragging.
    HICON Icon() const { return bigIcon_; }
    // kProgressMessage or kProgressTimer reached the window (its thread).
    void DrawPendingProgress();

    std::string ItemText(int controlId) override;
    void SetItemText(int controlId, std::string_view text) override;
    void LimitItemText(int controlId, std::size_t maxCharacters) override;
    bool IsItemChecked(int controlId) override;
    void SetItemChecked(int controlId, bool checked) override;
    void CheckRadio(int firstId, int lastId, int checkedId) override;
    bool IsItemEnabled(int controlId) override;
    void EnableItem(int controlId, bool enabled) override;
    bool IsItemVisible(int controlId) override;
    void ShowItem(int controlId, bool visible) override;
    void FocusItem(int controlId) override;
    int FocusedItem() override;
    std::string TextFromAnsi(std::string_view bytes) override;
    std::optional<std::string> TextToAnsi(std::string_view text) override;
    void AddComboItem(int controlId, std::string_view text) override;
    int ComboSelection(int controlId) override;
    void SelectComboItem(int controlId, int index) override;
    void SetProgressRange(int controlId, int low, int high) override;
    void SetProgressStep(int controlId, int step) override;
    void SetProgressPosition(int controlId, int position) override;
    void StepProgress(int controlId) override;
    std::string Caption() override;
    void SetCaption(std::string_view caption) override;
    int ShowMessage(std::string_view text, std::optional<std::string> caption,
                    uint32_t style) override;
    void SetCursorShape(CursorShape shape) override;
    std::optional<std::string> ChooseFile(const FileChooserRequest& request) override;
    void EndDialog(int result) override;
    std::string ResourceString(int stringId) override;
    bool AppendSystemMenuItem(int commandId, std::string_view text) override;
    void SetIcon(int iconId) override;
    void InitializeCom() override;
    void StartTimer(int timerId, uint32_t periodMs) override;
    void WaitWhileServing(const std::function<bool()>& finished) override;

private:
    // Runs `call` with the window on the window's thread and returns its
    // result, or `neutral` when the window is gone.
    template <class Result, class Call>
    Result OnWindowThread(Result neutral, Call call);

    // Progress positions set by other threads: the latest waits here for the
    // window's thread, so a worker never waits for the window to draw it.
    struct PendingProgress {
        std::atomic<int> controlId{0};
        std::atomic<int> position{-1};  // -1: nothing to draw
        std::atomic<bool> posted{false};
    };
    void ApplyPendingProgress(HWND window);

    const HINSTANCE instance_;
    PendingProgress progress_;
    ULONGLONG lastProgressDrawMs_ = 0;  // window's thread only
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> windowThread_{0};
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

}  // namespace kestrovane::win32
