#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/Dialog.h"
#include "app/DialogHost.h"
#include "app/DialogWindow.h"

namespace kestrovane::testing {

struct FakeControl {
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    std::vector<std::string> comboItems;
    int comboSelection = -1;
    int progressLow = 0;
    int progressHigh = 100;
    int progressStep = 10;
    int progressPosition = 0;
    std::size_t textLimit = 0;  // characters the user may type; 0: the platform's default
};

struct RecordedMessage {
    std::string text;
    std::optional<std::string> caption;
    uint32_t style;
};

// A dialog window in memory: records what the program does to it and answers
// message boxes and file choosers from a script. Safe to use from several
// threads. Once marked destroyed it ignores every call, like a real window
// that is gone.
//
// Message boxes behave as the real window's do once the window has a thread
// (SetWindowThread; the fake host sets it): a box asked for from another
// thread waits until the window's thread serves it (in WaitWhileServing,
// ServePending or inside another box), and while a box is open the actions
// scripted for it run on the window's thread, as the box's own message loop
// would deliver a close or a timer tick.
//
// The dialog ends as the real one does: EndDialog marks it, and the window is
// destroyed (every later call ignored) the next time the window's thread is
// back in its modal loop, that is when the test serves the window
// (ServePending, ServeUntil) outside a box and outside a handler's wait.
//
// Texts convert as the real window converts them: item texts are UTF-8 (a
// byte of no valid character shows as U+FFFD, a NUL ends the text), and its
// ANSI code page is windows-1252 with the bytes the table leaves undefined
// (FakeCodePage.h).
class FakeDialogWindow final : public DialogWindow {
public:
    explicit FakeDialogWindow(std::string caption = {}) : caption_(std::move(caption)) {}

    // --- Set up (what the template and the program's resources give). ---
    void CreateHidden(int controlId);
    void SetResourceString(int stringId, std::string text);
    void SetHasSystemMenu(bool hasMenu);
    void ScriptAnswer(int answer);  // answers of the next message boxes, in order
    void ScriptFileChoice(std::optional<std::string> path);
    // Runs `action` while the next message box is open.
    void ScriptWhileMessageOpen(std::function<void()> action);
    // Runs `action` inside the next WaitWhileServing, before it waits.
    void ScriptWhileWaiting(std::function<void()> action);
    void SetWindowThread(std::thread::id id);
    void MarkDestroyed();

    // --- The window's thread. ---
    // Serves the message boxes other threads wait for; returns how many.
    int ServePending();
    // Serves boxes until `done` holds (at most 10 s); false on time-out.
    bool ServeUntil(const std::function<bool()>& done);

    // --- Inspection. ---
    FakeControl Control(int controlId) const;
    std::string ComboText(int controlId) const;  // the selected item, "" without one
    std::vector<RecordedMessage> Messages() const;
    std::vector<std::pair<int, std::string>> SystemMenuItems() const;
    std::vector<std::pair<int, uint32_t>> Timers() const;
    std::vector<FileChooserRequest> FileRequests() const;
    std::optional<int> EndResult() const;
    int IconId() const;
    bool ComInitialized() const;
    CursorShape Cursor() const;
    int ServingWaits() const;
    // Every control the program ever made visible.
    std::set<int> ShownControls() const;
    int OpenMessageBoxes() const;

    // --- DialogWindow. ---
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
    struct PendingBox {
        RecordedMessage message;
        bool served = false;
        int answer = 0;
    };
    // Shows a box on the window's thread: records it, runs what is scripted
    // while it is open, and returns the scripted answer.
    int RunMessageBox(RecordedMessage message);
    void DestroyIfEndedLocked();

    mutable std::mutex mutex_;
    std::condition_variable boxServed_;
    std::optional<std::thread::id> windowThread_;
    std::deque<std::shared_ptr<PendingBox>> pendingBoxes_;
    std::deque<std::function<void()>> whileOpen_;
    std::deque<std::function<void()>> whileWaiting_;
    int openBoxes_ = 0;
    bool destroyed_ = false;
    std::string caption_;
    std::map<int, FakeControl> controls_;
    std::set<int> shown_;
    std::map<int, std::string> strings_;
    bool hasSystemMenu_ = true;
    std::vector<std::pair<int, std::string>> systemMenu_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> fileChoices_;
    std::vector<RecordedMessage> messages_;
    std::vector<FileChooserRequest> fileRequests_;
    std::vector<std::pair<int, uint32_t>> timers_;
    std::optional<int> endResult_;
    int iconId_ = 0;
    bool comInitialized_ = false;
    CursorShape cursor_ = CursorShape::Arrow;
    int focused_ = 0;
    int servingWaits_ = 0;
    int handlerWaits_ = 0;  // WaitWhileServing calls under way
};

// Runs dialogs on fake windows: each run attaches a new window prepared like
// the template, starts the dialog, lets the test's script for that template
// act as the user, and returns the result the dialog ended with (-1 if the
// script left it open).
class FakeDialogHost final : public DialogHost {
public:
    using Prepare = std::function<void(FakeDialogWindow&)>;
    using Script = std::function<void(Dialog&, FakeDialogWindow&)>;

    void SetTemplate(int templateId, Prepare prepare);
    void SetScript(int templateId, Script script);
    int RunModal(Dialog& dialog) override;

    std::vector<int> RunTemplates() const { return runTemplates_; }
    // The window of the latest run of a template (kept after the run).
    FakeDialogWindow* LastWindow(int templateId) const;

private:
    std::map<int, Prepare> templates_;
    std::map<int, Script> scripts_;
    std::vector<int> runTemplates_;
    std::vector<std::unique_ptr<FakeDialogWindow>> windows_;
    std::map<int, FakeDialogWindow*> lastWindow_;
};

}  // namespace kestrovane::testing
