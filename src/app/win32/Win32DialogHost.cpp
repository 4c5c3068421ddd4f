#include "app/win32/Win32DialogHost.h"

#include <functional>

#include "app/Dialog.h"
#include "app/MinimisedIcon.h"
#include "app/win32/Win32DialogWindow.h"

namespace kestrovane::win32 {

namespace {

// What the dialog procedure of one modal run works with.
struct ModalRun {
    Dialog& dialog;
    Win32DialogWindow& window;
    std::vector<HWND>& openWindows;
};

void PaintMinimised(HWND window, HICON icon) {
    PAINTSTRUCT paint;
    const HDC context = BeginPaint(window, &paint);
    SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    RECT client;
    GetClientRect(window, &client);
    const IconPosition at =
        MinimisedIconPosition(client.right - client.left, client.bottom - client.top,
                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (icon != nullptr) DrawIcon(context, at.x, at.y, icon);
    EndPaint(window, &paint);
}

}  // namespace

int Win32DialogHost::RunModal(Dialog& dialog) {
    Win32DialogWindow window(instance_);
    ModalRun run{dialog, window, openWindows_};
    const HWND owner = openWindows_.empty() ? nullptr : openWindows_.back();
    const INT_PTR result =
        DialogBoxParamW(instance_, MAKEINTRESOURCEW(dialog.TemplateId()), owner,
                        &Win32DialogHost::DialogProcedure, reinterpret_cast<LPARAM>(&run));
    dialog.OnWindowDestroyed();
    dialog.DetachWindow();
    return static_cast<int>(result);
}

INT_PTR CALLBACK Win32DialogHost::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* run = reinterpret_cast<ModalRun*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        run->window.Attach(window);
        run->openWindows.push_back(window);
        run->dialog.AttachWindow(run->window);
        return run->dialog.OnInitDialog() ? TRUE : FALSE;
    }
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrW(window, DWLP_USER));
    if (run == nullptr) return FALSE;

    switch (message) {
        case Win32DialogWindow::kInvokeMessage:
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return TRUE;
        case WM_COMMAND:
            // Clicks, and Enter/Escape as IDOK/IDCANCEL; other notifications
            // (edit changes, list selections) have no handlers.
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            run->dialog.OnCommand(LOWORD(wParam));
            return TRUE;
        case Win32DialogWindow::kProgressMessage:
            run->window.DrawPendingProgress();
            return TRUE;
        case WM_TIMER:
            if (wParam == Win32DialogWindow::kProgressTimer) {
                run->window.DrawPendingProgress();
                return TRUE;
            }
            run->dialog.OnTimer(static_cast<int>(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            return run->dialog.OnSysCommand(static_cast<uint32_t>(wParam)) ? TRUE : FALSE;
        case WM_CLOSE:
            run->dialog.OnClose();
            return TRUE;
        case WM_PAINT:
            if (!IsIconic(window)) return FALSE;
            PaintMinimised(window, run->window.Icon());
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(run->window.Icon());
        case WM_DESTROY:
            run->window.Detach();
            run->openWindows.pop_back();
            SetWindowLongPtrW(window, DWLP_USER, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace kestrovane::win32
