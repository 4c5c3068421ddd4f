#include "FakeDialogWindow.h"

#include "FakeCodePage.h"

#include <chrono>
#include <thread>

namespace kestrovane::testing {

// --- Set up and inspection -------------------------------------------------

void FakeDialogWindow::CreateHidden(int controlId) {
    std::lock_guard lock(mutex_);
    controls_[controlId].visible = false;
}

void FakeDialogWindow::SetResourceString(int stringId, std::string text) {
    std::lock_guard lock(mutex_);
    strings_[stringId] = std::move(text);
}

void FakeDialogWindow::SetHasSystemMenu(bool hasMenu) {
    std::lock_guard lock(mutex_);
    hasSystemMenu_ = hasMenu;
}

void FakeDialogWindow::ScriptAnswer(int answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

void FakeDialogWindow::ScriptFileChoice(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    fileChoices_.push_back(std::move(path));
}

void FakeDialogWindow::ScriptWhileMessageOpen(std::function<void()> action) {
    std::lock_guard lock(mutex_);
    whileOpen_.push_back(std::move(action));
}

void FakeDialogWindow::ScriptWhileWaiting(std::function<void()> action) {
    std::lock_guard lock(mutex_);
    whileWaiting_.push_back(std::move(action));
}

void FakeDialogWindow::SetWindowThread(std::thread::id id) {
    std::lock_guard lock(mutex_);
    windowThread_ = id;
}

void FakeDialogWindow::MarkDestroyed() {
    std::lock_guard lock(mutex_);
    destroyed_ = true;
    // Like a window that is gone, a box still waited for answers "cancel".
    boxServed_.notify_all();
}

void FakeDialogWindow::DestroyIfEndedLocked() {
    // EndDialog only marks the dialog; its modal loop destroys the window the
    // next time it runs, which is not inside a box or a handler's wait.
    if (!endResult_ || destroyed_ || openBoxes_ > 0 || handlerWaits_ > 0) return;
    destroyed_ = true;
    boxServed_.notify_all();
}

int FakeDialogWindow::ServePending() {
    int served = 0;
    for (;;) {
        std::shared_ptr<PendingBox> box;
        {
            std::lock_guard lock(mutex_);
            DestroyIfEndedLocked();
            if (pendingBoxes_.empty() || destroyed_) return served;
            box = pendingBoxes_.front();
            pendingBoxes_.pop_front();
        }
        const int answer = RunMessageBox(box->message);
        {
            std::lock_guard lock(mutex_);
            box->answer = answer;
            box->served = true;
        }
        boxServed_.notify_all();
        ++served;
    }
}

bool FakeDialogWindow::ServeUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        if (ServePending() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int FakeDialogWindow::OpenMessageBoxes() const {
    std::lock_guard lock(mutex_);
    return openBoxes_;
}

FakeControl FakeDialogWindow::Control(int controlId) const {
    std::lock_guard lock(mutex_);
    const auto found = controls_.find(controlId);
    return found == controls_.end() ? FakeControl{} : found->second;
}

std::string FakeDialogWindow::ComboText(int controlId) const {
    const FakeControl control = Control(controlId);
    if (control.comboSelection < 0 ||
        control.comboSelection >= static_cast<int>(control.comboItems.size())) {
        return {};
    }
    return control.comboItems[control.comboSelection];
}

std::vector<RecordedMessage> FakeDialogWindow::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::pair<int, std::string>> FakeDialogWindow::SystemMenuItems() const {
    std::lock_guard lock(mutex_);
    return systemMenu_;
}

std::vector<std::pair<int, uint32_t>> FakeDialogWindow::Timers() const {
    std::lock_guard lock(mutex_);
    return timers_;
}

std::vector<FileChooserRequest> FakeDialogWindow::FileRequests() const {
    std::lock_guard lock(mutex_);
    return fileRequests_;
}

std::optional<int> FakeDialogWindow::EndResult() const {
    std::lock_guard lock(mutex_);
    return endResult_;
}

int FakeDialogWindow::IconId() const {
    std::lock_guard lock(mutex_);
    return iconId_;
}

bool FakeDialogWindow::ComInitialized() const {
    std::lock_guard lock(mutex_);
    return comInitialized_;
}

CursorShape FakeDialogWindow::Cursor() const {
    std::lock_guard lock(mutex_);
    return cursor_;
}

int FakeDialogWindow::ServingWaits() const {
    std::lock_guard lock(mutex_);
    return servingWaits_;
}

std::set<int> FakeDialogWindow::ShownControls() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

// --- DialogWindow ------------------------------------------------------------

std::string FakeDialogWindow::ItemText(int controlId) {
    std::lock_guard lock(mutex_);
    return destroyed_ ? std::string() : controls_[controlId].text;
}

void FakeDialogWindow::SetItemText(int controlId, std::string_view text) {
    std::lock_guard lock(mutex_);
    // As the real window takes it: UTF-8 up to the first NUL.
    if (!destroyed_) controls_[controlId].text = WindowTextOf(text);
}

void FakeDialogWindow::LimitItemText(int controlId, std::size_t maxCharacters) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].textLimit = maxCharacters;
}

bool FakeDialogWindow::IsItemChecked(int controlId) {
    std::lock_guard lock(mutex_);
    return !destroyed_ && controls_[controlId].checked;
}

void FakeDialogWindow::SetItemChecked(int controlId, bool checked) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].checked = checked;
}

void FakeDialogWindow::CheckRadio(int firstId, int lastId, int checkedId) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return;
    for (int id = firstId; id <= lastId; ++id) controls_[id].checked = id == checkedId;
}

bool FakeDialogWindow::IsItemEnabled(int controlId) {
    std::lock_guard lock(mutex_);
    return !destroyed_ && controls_[controlId].enabled;
}

void FakeDialogWindow::EnableItem(int controlId, bool enabled) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].enabled = enabled;
}

bool FakeDialogWindow::IsItemVisible(int controlId) {
    std::lock_guard lock(mutex_);
    return !destroyed_ && controls_[controlId].visible;
}

void FakeDialogWindow::ShowItem(int controlId, bool visible) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return;
    controls_[controlId].visible = visible;
    if (visible) shown_.insert(controlId);
}

void FakeDialogWindow::FocusItem(int controlId) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) focused_ = controlId;
}

int FakeDialogWindow::FocusedItem() {
    std::lock_guard lock(mutex_);
    return destroyed_ ? 0 : focused_;
}

std::string FakeDialogWindow::TextFromAnsi(std::string_view bytes) {
    return Windows1252ToUtf8(bytes);
}

std::optional<std::string> FakeDialogWindow::TextToAnsi(std::string_view text) {
    return Utf8ToWindows1252(text);
}

void FakeDialogWindow::AddComboItem(int controlId, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].comboItems.emplace_back(text);
}

int FakeDialogWindow::ComboSelection(int controlId) {
    std::lock_guard lock(mutex_);
    return destroyed_ ? -1 : controls_[controlId].comboSelection;
}

void FakeDialogWindow::SelectComboItem(int controlId, int index) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return;
    FakeControl& control = controls_[controlId];
    const bool valid = index >= 0 && index < static_cast<int>(control.comboItems.size());
    control.comboSelection = valid ? index : -1;
}

void FakeDialogWindow::SetProgressRange(int controlId, int low, int high) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return;
    controls_[controlId].progressLow = low;
    controls_[controlId].progressHigh = high;
}

void FakeDialogWindow::SetProgressStep(int controlId, int step) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].progressStep = step;
}

void FakeDialogWindow::SetProgressPosition(int controlId, int position) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) controls_[controlId].progressPosition = position;
}

void FakeDialogWindow::StepProgress(int controlId) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return;
    FakeControl& control = controls_[controlId];
    control.progressPosition += control.progressStep;
    // Like the platform's control, stepping past the end starts over.
    if (control.progressPosition > control.progressHigh) {
        control.progressPosition =
            control.progressLow + (control.progressPosition - control.progressHigh);
    }
}

std::string FakeDialogWindow::Caption() {
    std::lock_guard lock(mutex_);
    return destroyed_ ? std::string() : caption_;
}

void FakeDialogWindow::SetCaption(std::string_view caption) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) caption_ = caption;
}

int FakeDialogWindow::ShowMessage(std::string_view text, std::optional<std::string> caption,
                                  uint32_t style) {
    RecordedMessage message{std::string(text), std::move(caption), style};
    {
        std::unique_lock lock(mutex_);
        if (destroyed_) return message_box::kIdCancel;
        if (windowThread_ && *windowThread_ != std::this_thread::get_id()) {
            // Sent to the window's thread, as the real window does: wait
            // until that thread has shown the box and it was answered.
            auto box = std::make_shared<PendingBox>();
            box->message = std::move(message);
            pendingBoxes_.push_back(box);
            boxServed_.wait(lock, [&] { return box->served || destroyed_; });
            return box->served ? box->answer : message_box::kIdCancel;
        }
    }
    return RunMessageBox(std::move(message));
}

int FakeDialogWindow::RunMessageBox(RecordedMessage message) {
    int answer = message_box::kIdOk;
    std::function<void()> whileOpen;
    {
        std::lock_guard lock(mutex_);
        if (destroyed_) return message_box::kIdCancel;
        messages_.push_back(std::move(message));
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        if (!whileOpen_.empty()) {
            whileOpen = std::move(whileOpen_.front());
            whileOpen_.pop_front();
        }
        ++openBoxes_;
    }
    // The box's message loop: what the script delivers, and what other
    // threads send to the window meanwhile.
    if (whileOpen) whileOpen();
    ServePending();
    {
        std::lock_guard lock(mutex_);
        --openBoxes_;
    }
    return answer;
}

void FakeDialogWindow::SetCursorShape(CursorShape shape) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) cursor_ = shape;
}

std::optional<std::string> FakeDialogWindow::ChooseFile(const FileChooserRequest& request) {
    std::lock_guard lock(mutex_);
    if (destroyed_) return std::nullopt;
    fileRequests_.push_back(request);
    if (fileChoices_.empty()) return std::nullopt;
    std::optional<std::string> choice = std::move(fileChoices_.front());
    fileChoices_.pop_front();
    return choice;
}

void FakeDialogWindow::EndDialog(int result) {
    std::lock_guard lock(mutex_);
    if (!destroyed_ && !endResult_) endResult_ = result;
}

std::string FakeDialogWindow::ResourceString(int stringId) {
    std::lock_guard lock(mutex_);
    const auto found = strings_.find(stringId);
    return destroyed_ || found == strings_.end() ? std::string() : found->second;
}

bool FakeDialogWindow::AppendSystemMenuItem(int commandId, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (destroyed_ || !hasSystemMenu_) return false;
    systemMenu_.emplace_back(0, "");  // the separator
    systemMenu_.emplace_back(commandId, std::string(text));
    return true;
}

void FakeDialogWindow::SetIcon(int iconId) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) iconId_ = iconId;
}

void FakeDialogWindow::InitializeCom() {
    std::lock_guard lock(mutex_);
    if (!destroyed_) comInitialized_ = true;
}

void FakeDialogWindow::StartTimer(int timerId, uint32_t periodMs) {
    std::lock_guard lock(mutex_);
    if (!destroyed_) timers_.emplace_back(timerId, periodMs);
}

void FakeDialogWindow::WaitWhileServing(const std::function<bool()>& finished) {
    std::function<void()> whileWaiting;
    {
        std::lock_guard lock(mutex_);
        ++servingWaits_;
        if (!whileWaiting_.empty()) {
            whileWaiting = std::move(whileWaiting_.front());
            whileWaiting_.pop_front();
        }
    }
    // What another program sends to the window while it waits.
    if (whileWaiting) whileWaiting();
    // Serves the boxes other threads ask for; the bound keeps a broken test
    // from hanging. The handler still runs: an ended dialog stays until it
    // returns.
    {
        std::lock_guard lock(mutex_);
        ++handlerWaits_;
    }
    ServeUntil(finished);
    std::lock_guard lock(mutex_);
    --handlerWaits_;
}

// --- FakeDialogHost ----------------------------------------------------------

void FakeDialogHost::SetTemplate(int templateId, Prepare prepare) {
    templates_[templateId] = std::move(prepare);
}

void FakeDialogHost::SetScript(int templateId, Script script) {
    scripts_[templateId] = std::move(script);
}

int FakeDialogHost::RunModal(Dialog& dialog) {
    const int templateId = dialog.TemplateId();
    runTemplates_.push_back(templateId);
    windows_.push_back(std::make_unique<FakeDialogWindow>());
    FakeDialogWindow& window = *windows_.back();
    lastWindow_[templateId] = &window;
    if (const auto found = templates_.find(templateId); found != templates_.end()) {
        found->second(window);
    }
    window.SetWindowThread(std::this_thread::get_id());
    dialog.AttachWindow(window);
    dialog.OnInitDialog();
    if (const auto found = scripts_.find(templateId); found != scripts_.end()) {
        found->second(dialog, window);
    }
    const int result = window.EndResult().value_or(-1);
    window.MarkDestroyed();
    dialog.OnWindowDestroyed();
    dialog.DetachWindow();
    return result;
}

FakeDialogWindow* FakeDialogHost::LastWindow(int templateId) const {
    const auto found = lastWindow_.find(templateId);
    return found == lastWindow_.end() ? nullptr : found->second;
}

}  // namespace kestrovane::testing
