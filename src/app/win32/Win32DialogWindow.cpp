#include "app/win32/Win32DialogWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <algorithm>
#include <vector>

#include "app/win32/AnsiText.h"
#include "app/win32/ModulePath.h"
#include "camera/win32/ComThread.h"
#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

namespace {

std::string WindowText(HWND window) {
    if (window == nullptr) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return Utf8FromWide(text);
}

// The chooser's filter with its "|" separators turned into the NULs the
// platform expects; the trailing "||" becomes the closing double NUL.
std::wstring ChooserFilter(std::string_view filter) {
    std::wstring wide = WideFromUtf8(filter);
    std::replace(wide.begin(), wide.end(), L'|', L'\0');
    wide.append(2, L'\0');
    return wide;
}

}  // namespace

void Win32DialogWindow::Attach(HWND window) {
    windowThread_ = GetCurrentThreadId();
    window_ = window;
}

void Win32DialogWindow::Detach() {
    window_ = nullptr;
}

template <class Result, class Call>
Result Win32DialogWindow::OnWindowThread(Result neutral, Call call) {
    const HWND window = window_.load();
    if (window == nullptr) return neutral;
    if (GetCurrentThreadId() == windowThread_.load()) return call(window);
    // Sending blocks until the window's thread has run the call. A window
    // destroyed meanwhile refuses the message and the neutral value stands.
    Result result = neutral;
    std::function<void()> invoke = [&] { result = call(window); };
    SendMessageW(window, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&invoke));
    return result;
}

std::string Win32DialogWindow::ItemText(int controlId) {
    return OnWindowThread(std::string(),
                          [&](HWND w) { return WindowText(GetDlgItem(w, controlId)); });
}

void Win32DialogWindow::SetItemText(int controlId, std::string_view text) {
    OnWindowThread(false, [&](HWND w) {
        return SetDlgItemTextW(w, controlId, WideFromUtf8(text).c_str()) != FALSE;
    });
}

void Win32DialogWindow::LimitItemText(int controlId, std::size_t maxCharacters) {
    OnWindowThread(false, [&](HWND w) {
        SendDlgItemMessageW(w, controlId, EM_LIMITTEXT, static_cast<WPARAM>(maxCharacters), 0);
        return true;
    });
}

bool Win32DialogWindow::IsItemChecked(int controlId) {
    return OnWindowThread(false,
                          [&](HWND w) { return IsDlgButtonChecked(w, controlId) == BST_CHECKED; });
}

void Win32DialogWindow::SetItemChecked(int controlId, bool checked) {
    OnWindowThread(false, [&](HWND w) {
        return CheckDlgButton(w, controlId, checked ? BST_CHECKED : BST_UNCHECKED) != FALSE;
    });
}

void Win32DialogWindow::CheckRadio(int firstId, int lastId, int checkedId) {
    OnWindowThread(
        false, [&](HWND w) { return CheckRadioButton(w, firstId, lastId, checkedId) != FALSE; });
}

bool Win32DialogWindow::IsItemEnabled(int controlId) {
    return OnWindowThread(false, [&](HWND w) {
        const HWND item = GetDlgItem(w, controlId);
        return item != nullptr && IsWindowEnabled(item) != FALSE;
    });
}

void Win32DialogWindow::EnableItem(int controlId, bool enabled) {
    OnWindowThread(false, [&](HWND w) {
        const HWND item = GetDlgItem(w, controlId);
        if (item != nullptr) EnableWindow(item, enabled ? TRUE : FALSE);
        return true;
    });
}

bool Win32DialogWindow::IsItemVisible(int controlId) {
    // The control's own visibility, whether or not the dialog is shown.
    return OnWindowThread(false, [&](HWND w) {
        const HWND item = GetDlgItem(w, controlId);
        return item != nullptr && (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE) != 0;
    });
}

void Win32DialogWindow::ShowItem(int controlId, bool visible) {
    OnWindowThread(false, [&](HWND w) {
        const HWND item = GetDlgItem(w, controlId);
        if (item != nullptr) ShowWindow(item, visible ? SW_SHOW : SW_HIDE);
        return true;
    });
}

void Win32DialogWindow::FocusItem(int controlId) {
    OnWindowThread(false, [&](HWND w) {
        const HWND item = GetDlgItem(w, controlId);
        if (item == nullptr) return false;
        // The dialog's own way: the focus, and an edit control's text selected.
        SendMessageW(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
        return true;
    });
}

int Win32DialogWindow::FocusedItem() {
    return OnWindowThread(0, [](HWND w) {
        const HWND focus = GetFocus();
        if (focus == nullptr || !IsChild(w, focus)) return 0;
        return GetDlgCtrlID(focus);
    });
}

std::string Win32DialogWindow::TextFromAnsi(std::string_view bytes) {
    return Utf8FromWide(WideFromAnsi(bytes));
}

std::optional<std::string> Win32DialogWindow::TextToAnsi(std::string_view text) {
    return AnsiFromWide(WideFromUtf8(text));
}

void Win32DialogWindow::AddComboItem(int controlId, std::string_view text) {
    OnWindowThread(false, [&](HWND w) {
        const std::wstring item = WideFromUtf8(text);
        SendDlgItemMessageW(w, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        return true;
    });
}

int Win32DialogWindow::ComboSelection(int controlId) {
    return OnWindowThread(-1, [&](HWND w) {
        return static_cast<int>(SendDlgItemMessageW(w, controlId, CB_GETCURSEL, 0, 0));
    });
}

void Win32DialogWindow::SelectComboItem(int controlId, int index) {
    OnWindowThread(false, [&](HWND w) {
        SendDlgItemMessageW(w, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return true;
    });
}

void Win32DialogWindow::SetProgressRange(int controlId, int low, int high) {
    OnWindowThread(false, [&](HWND w) {
        progress_.position = -1;  // a position of the old range is not drawn
        SendDlgItemMessageW(w, controlId, PBM_SETRANGE32, static_cast<WPARAM>(low),
                            static_cast<LPARAM>(high));
        return true;
    });
}

void Win32DialogWindow::SetProgressStep(int controlId, int step) {
    OnWindowThread(false, [&](HWND w) {
        SendDlgItemMessageW(w, controlId, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
        return true;
    });
}

void Win32DialogWindow::SetProgressPosition(int controlId, int position) {
    const HWND window = window_.load();
    if (window == nullptr) return;
    if (GetCurrentThreadId() == windowThread_.load()) {
        progress_.position = -1;  // an older position from a worker is overtaken
        SendDlgItemMessageW(window, controlId, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        return;
    }
    // Another thread (a worker, once per block): the position is left for the
    // window's thread, and at most one message is on its way to fetch it.
    progress_.controlId = controlId;
    progress_.position = position;
    if (!progress_.posted.exchange(true) && !PostMessageW(window, kProgressMessage, 0, 0)) {
        progress_.posted = false;
    }
}

void Win32DialogWindow::DrawPendingProgress() {
    const HWND window = window_.load();
    if (window == nullptr) return;
    // At most one drawing per frame of the screen: an earlier one is held
    // back by a one-shot timer, and the latest position is drawn then.
    constexpr ULONGLONG kFrameMs = 16;
    const ULONGLONG now = GetTickCount64();
    if (lastProgressDrawMs_ != 0 && now - lastProgressDrawMs_ < kFrameMs) {
        SetTimer(window, kProgressTimer, static_cast<UINT>(kFrameMs - (now - lastProgressDrawMs_)),
                 nullptr);
        return;
    }
    KillTimer(window, kProgressTimer);
    lastProgressDrawMs_ = now;
    ApplyPendingProgress(window);
}

void Win32DialogWindow::ApplyPendingProgress(HWND window) {
    // Cleared before the position is taken: a position stored after this
    // point posts a message of its own.
    progress_.posted = false;
    const int position = progress_.position.exchange(-1);
    if (position < 0) return;
    SendDlgItemMessageW(window, progress_.controlId.load(), PBM_SETPOS,
                        static_cast<WPARAM>(position), 0);
}

void Win32DialogWindow::StepProgress(int controlId) {
    OnWindowThread(false, [&](HWND w) {
        SendDlgItemMessageW(w, controlId, PBM_STEPIT, 0, 0);
        return true;
    });
}

std::string Win32DialogWindow::Caption() {
    return OnWindowThread(std::string(), [](HWND w) { return WindowText(w); });
}

void Win32DialogWindow::SetCaption(std::string_view caption) {
    OnWindowThread(
        false, [&](HWND w) { return SetWindowTextW(w, WideFromUtf8(caption).c_str()) != FALSE; });
}

int Win32DialogWindow::ShowMessage(std::string_view text, std::optional<std::string> caption,
                                   uint32_t style) {
    return OnWindowThread(static_cast<int>(IDCANCEL), [&](HWND w) {
        const std::wstring title = caption ? WideFromUtf8(*caption) : ApplicationName();
        return MessageBoxW(w, WideFromUtf8(text).c_str(), title.c_str(), style);
    });
}

void Win32DialogWindow::SetCursorShape(CursorShape shape) {
    OnWindowThread(false, [&](HWND) {
        SetCursor(LoadCursorW(nullptr, shape == CursorShape::Wait ? IDC_WAIT : IDC_ARROW));
        return true;
    });
}

std::optional<std::string> Win32DialogWindow::ChooseFile(const FileChooserRequest& request) {
    // A chosen path is never empty, so the empty text stands for "cancelled".
    std::string chosenPath = OnWindowThread(std::string(), [&](HWND w) -> std::string {
        const std::wstring filter = ChooserFilter(request.filter);
        const std::wstring defaultExtension = WideFromUtf8(request.defaultExtension);
        // Room for a multiple selection: folder, then the names, NUL-separated.
        std::vector<wchar_t> names(32768, L'\0');
        const std::wstring initialName = WideFromUtf8(request.fileName);
        std::copy_n(initialName.begin(), std::min(initialName.size(), names.size() - 1),
                    names.begin());

        OPENFILENAMEW chooser{};
        chooser.lStructSize = sizeof chooser;
        chooser.hwndOwner = w;
        chooser.lpstrFilter = filter.c_str();
        chooser.nFilterIndex = 1;
        chooser.lpstrFile = names.data();
        chooser.nMaxFile = static_cast<DWORD>(names.size());
        chooser.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
        chooser.Flags = request.flags | OFN_EXPLORER;
        const BOOL chosen = request.open ? GetOpenFileNameW(&chooser) : GetSaveFileNameW(&chooser);
        if (!chosen) return {};

        std::wstring path(names.data());
        // Several files chosen: the folder comes first, then the names; the
        // first file is the choice.
        if (chooser.nFileOffset > 0 && names[chooser.nFileOffset - 1] == L'\0') {
            path += L'\\';
            path += names.data() + chooser.nFileOffset;
        }
        return Utf8FromWide(path);
    });
    if (chosenPath.empty()) return std::nullopt;
    return chosenPath;
}

void Win32DialogWindow::EndDialog(int result) {
    OnWindowThread(false, [&](HWND w) { return ::EndDialog(w, result) != FALSE; });
}

std::string Win32DialogWindow::ResourceString(int stringId) {
    return OnWindowThread(std::string(), [&](HWND) {
        const wchar_t* text = nullptr;
        // With a zero length the platform hands out the resource's own text.
        const int length =
            LoadStringW(instance_, static_cast<UINT>(stringId), reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 ? Utf8FromWide(std::wstring_view(text, static_cast<size_t>(length)))
                          : std::string();
    });
}

bool Win32DialogWindow::AppendSystemMenuItem(int commandId, std::string_view text) {
    return OnWindowThread(false, [&](HWND w) {
        const HMENU menu = GetSystemMenu(w, FALSE);
        if (menu == nullptr) return false;
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commandId), WideFromUtf8(text).c_str());
        return true;
    });
}

void Win32DialogWindow::SetIcon(int iconId) {
    OnWindowThread(false, [&](HWND w) {
        const auto load = [&](int widthMetric, int heightMetric) {
            return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                 GetSystemMetrics(widthMetric),
                                                 GetSystemMetrics(heightMetric), LR_SHARED));
        };
        bigIcon_ = load(SM_CXICON, SM_CYICON);
        smallIcon_ = load(SM_CXSMICON, SM_CYSMICON);
        SendMessageW(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        SendMessageW(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
        return true;
    });
}

void Win32DialogWindow::InitializeCom() {
    // For the calling thread, uninitialised again when the thread ends.
    EnsureComForThisThread();
}

void Win32DialogWindow::StartTimer(int timerId, uint32_t periodMs) {
    OnWindowThread(false, [&](HWND w) {
        return SetTimer(w, static_cast<UINT_PTR>(timerId), periodMs, nullptr) != 0;
    });
}

void Win32DialogWindow::WaitWhileServing(const std::function<bool()>& finished) {
    // Serve only what other threads send (the worker's calls) and repaint;
    // clicks and keys stay queued until the wait is over, so no handler runs
    // in the middle of the one that waits.
    constexpr DWORD kPollMs = 10;
    constexpr int kMessagesPerRound = 64;
    while (!finished()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_SENDMESSAGE | QS_PAINT);
        MSG message;
        for (int served = 0;
             served < kMessagesPerRound &&
             PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT);
             ++served) {
            DispatchMessageW(&message);
        }
    }
}

}  // namespace kestrovane::win32
