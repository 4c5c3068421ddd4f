#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrovane {

// Message box styles and answers. The values are the platform's own, so an
// adapter passes them through unchanged.
namespace message_box {
inline constexpr uint32_t kOk = 0x0000;
inline constexpr uint32_t kOkCancel = 0x0001;
inline constexpr uint32_t kYesNo = 0x0004;
inline constexpr uint32_t kIconError = 0x0010;
inline constexpr uint32_t kIconQuestion = 0x0020;
inline constexpr uint32_t kIconExclamation = 0x0030;
inline constexpr uint32_t kIconInformation = 0x0040;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace message_box

// Flags of the file chooser, with the platform's values.
namespace file_chooser {
inline constexpr uint32_t kAllowMultiSelect = 0x0200;
inline constexpr uint32_t kHideReadOnly = 0x0004;
}  // namespace file_chooser

enum class CursorShape { Arrow, Wait };

struct FileChooserRequest {
    bool open = true;              // open dialog, else save dialog
    std::string defaultExtension;  // appended to a name typed without one
    std::string fileName;          // initial file name
    uint32_t flags = 0;            // file_chooser flags
    // Pairs of "label|pattern|" closed by an extra "|", e.g.
    // "Bin files(*.bin)|*.bin|all files(*.*)|*.*||".
    std::string filter;
};

// One live dialog, addressed by control id. Texts are UTF-8.
//
// Every call may come from any thread: the adapter carries it out on the
// thread that owns the window. Once the window is gone every call does nothing
// and returns a neutral value (empty text, false, 0, -1 for "no selection",
// kIdCancel for a message box, no file).
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    virtual std::string ItemText(int controlId) = 0;
    virtual void SetItemText(int controlId, std::string_view text) = 0;
    // Limits how many characters the user can type into an edit control.
    virtual void LimitItemText(int /*controlId*/, std::size_t /*maxCharacters*/) {}

    virtual bool IsItemChecked(int controlId) = 0;
    virtual void SetItemChecked(int controlId, bool checked) = 0;
    // Checks `checkedId` and clears the other buttons from `firstId` to `lastId`.
    virtual void CheckRadio(int firstId, int lastId, int checkedId) = 0;

    virtual bool IsItemEnabled(int controlId) = 0;
    virtual void EnableItem(int controlId, bool enabled) = 0;
    virtual bool IsItemVisible(int controlId) = 0;
    virtual void ShowItem(int controlId, bool visible) = 0;
    // Gives the control the keyboard focus; an edit control's whole text is
    // selected, so that the user can type over it.
    virtual void FocusItem(int controlId) = 0;
    // The control that has the keyboard focus, or 0 when none of the dialog's has.
    virtual int FocusedItem() = 0;

    // --- 8-bit texts (an image's versions and description, an EEPROM's). ---
    // They are characters of the system's ANSI code page, shown as a program
    // built for 8-bit text shows them.

    // The window text (UTF-8) of 8-bit text.
    virtual std::string TextFromAnsi(std::string_view bytes) = 0;
    // The 8-bit text of a window text, or nothing when a character has no
    // byte of the code page or the bytes would not show as the same text.
    virtual std::optional<std::string> TextToAnsi(std::string_view text) = 0;

    virtual void AddComboItem(int controlId, std::string_view text) = 0;
    // The selected index, or -1 when nothing is selected.
    virtual int ComboSelection(int controlId) = 0;
    virtual void SelectComboItem(int controlId, int index) = 0;

    virtual void SetProgressRange(int controlId, int low, int high) = 0;
    virtual void SetProgressStep(int controlId, int step) = 0;
    virtual void SetProgressPosition(int controlId, int position) = 0;
    virtual void StepProgress(int controlId) = 0;

    virtual std::string Caption() = 0;
    virtual void SetCaption(std::string_view caption) = 0;

    // A modal message box owned by the dialog. Without a caption it shows the
    // application's name. Returns the answer (message_box::kIdOk, kIdYes, ...).
    virtual int ShowMessage(std::string_view text, std::optional<std::string> caption,
                            uint32_t style) = 0;

    virtual void SetCursorShape(CursorShape shape) = 0;

    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseFile(const FileChooserRequest& request) = 0;

    // Ends the modal run of the dialog with `result`.
    virtual void EndDialog(int result) = 0;

    // --- Window-level services of dialog start (user-interface thread). ---

    // A text from the program's string table; empty when there is none.
    virtual std::string ResourceString(int stringId) = 0;
    // Appends a separator and then an item to the window's system menu.
    // Returns false, appending nothing, when the window has no system menu.
    virtual bool AppendSystemMenuItem(int commandId, std::string_view text) = 0;
    // Sets the window's big and small icon from the program's icon resource;
    // the same icon is drawn when the window is minimised or dragged.
    virtual void SetIcon(int iconId) = 0;
    // Prepares the calling thread for talking to cameras (COM where the
    // platform has it).
    virtual void InitializeCom() = 0;
    // Starts a periodic timer whose ticks reach the dialog's OnTimer.
    virtual void StartTimer(int timerId, uint32_t periodMs) = 0;

    // Blocks the user-interface thread until `finished` holds, while still
    // serving what other threads send to the window, so that a worker that
    // calls into the window meanwhile is not stuck. User input stays queued.
    virtual void WaitWhileServing(const std::function<bool()>& finished) = 0;
};

// The window a dialog sees when it has none: every call does nothing.
class DetachedDialogWindow final : public DialogWindow {
public:
    std::string ItemText(int) override { return {}; }
    void SetItemText(int, std::string_view) override {}
    bool IsItemChecked(int) override { return false; }
    void SetItemChecked(int, bool) override {}
    void CheckRadio(int, int, int) override {}
    bool IsItemEnabled(int) override { return false; }
    void EnableItem(int, bool) override {}
    bool IsItemVisible(int) override { return false; }
    void ShowItem(int, bool) override {}
    void FocusItem(int) override {}
    int FocusedItem() override { return 0; }
    std::string TextFromAnsi(std::string_view) override { return {}; }
    std::optional<std::string> TextToAnsi(std::string_view) override { return {}; }
    void AddComboItem(int, std::string_view) override {}
    int ComboSelection(int) override { return -1; }
    void SelectComboItem(int, int) override {}
    void SetProgressRange(int, int, int) override {}
    void SetProgressStep(int, int) override {}
    void SetProgressPosition(int, int) override {}
    void StepProgress(int) override {}
    std::string Caption() override { return {}; }
    void SetCaption(std::string_view) override {}
    int ShowMessage(std::string_view, std::optional<std::string>, uint32_t) override {
        return message_box::kIdCancel;
    }
    void SetCursorShape(CursorShape) override {}
    std::optional<std::string> ChooseFile(const FileChooserRequest&) override { return {}; }
    void EndDialog(int) override {}
    std::string ResourceString(int) override { return {}; }
    bool AppendSystemMenuItem(int, std::string_view) override { return false; }
    void SetIcon(int) override {}
    void InitializeCom() override {}
    void StartTimer(int, uint32_t) override {}
    void WaitWhileServing(const std::function<bool()>&) override {}
};

}  // namespace kestrovane
