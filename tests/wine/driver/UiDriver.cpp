// uidriver: drives the top-level windows of other programs from a test script.
//
//   uidriver wait-window <caption> <timeout-ms>   until a window with this caption exists
//   uidriver wait-gone <caption> <timeout-ms>     until no window has this caption
//   uidriver text <caption> <id>                  print a control's text (id 0: the caption)
//   uidriver set-text <caption> <id> <text>       replace a control's text
//   uidriver set-text-wide <caption> <id> <text>  the same with the text as the command
//                                                 line has it in Unicode (characters the
//                                                 ANSI code page lacks included)
//   uidriver state <caption> <id>                 print "visible=V enabled=E checked=C"
//   uidriver click <caption> <id>                 click a button (BM_CLICK)
//   uidriver close <caption>                      ask the window to close (WM_CLOSE)
//   uidriver close-all <caption>                  ask every window with the caption to close
//   uidriver list                                 print the captions of visible windows
//   uidriver syscommand <caption> <command>       post a system command (WM_SYSCOMMAND)
//   uidriver popup-text <owner caption> <id>      print, as UTF-8, a control's text of the
//                                                 modal window the owner has open (id 0: its
//                                                 caption), waiting up to 5 s for it
//   uidriver popup-click <owner caption> <id>     click a button of that modal window
//   uidriver popup-set-text <owner caption> <id> <text>  replace a control's text there
//   uidriver post-click <caption> <id>            click a button without waiting for it
//                                                 (for buttons that open a modal window)
//   uidriver progress <caption> <id>              print a progress bar's position
//   uidriver count <caption>                      print how many windows have this caption
//   uidriver set-text-all <caption> <id> <text>   set-text in every window with the caption
//   uidriver click-all <caption> <id>             post a click to that control of every
//                                                 window with the caption, back to back
//   uidriver time-click <caption> <id> <timeout-ms>  click a button, then print the
//                                                 milliseconds from the click's return
//                                                 until that window opens a modal window
//
// Captions match exactly. Message boxes: the text is control 65535, the
// buttons carry their answer as id (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7).
// Exit code 0 on success, 1 when the window or control is not found or the
// wait timed out, 2 on a usage error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kUsage = 2;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;
constexpr UINT kProgressGetPosition = WM_USER + 8;  // PBM_GETPOS

int Usage() {
    std::fputs(
        "usage: uidriver wait-window|wait-gone <caption> <timeout-ms>\n"
        "       uidriver text|state|click <caption> <id>\n"
        "       uidriver set-text|set-text-wide <caption> <id> <text>\n"
        "       uidriver close|close-all <caption>\n"
        "       uidriver list\n"
        "       uidriver syscommand <caption> <command>\n"
        "       uidriver popup-text|popup-click <owner caption> <id>\n"
        "       uidriver popup-set-text <owner caption> <id> <text>\n"
        "       uidriver post-click|progress <caption> <id>\n"
        "       uidriver count <caption>\n"
        "       uidriver set-text-all <caption> <id> <text>\n"
        "       uidriver click-all <caption> <id>\n"
        "       uidriver time-click <caption> <id> <timeout-ms>\n",
        stderr);
    return kUsage;
}

HWND FindTopLevel(const char* caption) {
    return FindWindowA(nullptr, caption);
}

bool ParseNumber(const char* text, unsigned long& number) {
    char* end = nullptr;
    number = std::strtoul(text, &end, 0);
    return end != text && *end == '\0';
}

// Waits until the window's presence matches `present`, or the time is up.
int WaitFor(const char* caption, const char* timeoutText, bool present) {
    unsigned long timeoutMs = 0;
    if (!ParseNumber(timeoutText, timeoutMs)) return Usage();
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if ((FindTopLevel(caption) != nullptr) == present) return kOk;
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    std::fprintf(stderr, "uidriver: timed out waiting for \"%s\" to %s\n", caption,
                 present ? "appear" : "go away");
    return kNotFound;
}

// The window itself for id 0, else its child control with that id.
HWND FindTarget(const char* caption, const char* idText, bool& usageError) {
    usageError = false;
    unsigned long id = 0;
    if (!ParseNumber(idText, id)) {
        usageError = true;
        return nullptr;
    }
    const HWND window = FindTopLevel(caption);
    if (window == nullptr) {
        std::fprintf(stderr, "uidriver: no window \"%s\"\n", caption);
        return nullptr;
    }
    if (id == 0) return window;
    const HWND control = GetDlgItem(window, static_cast<int>(id));
    if (control == nullptr)
        std::fprintf(stderr, "uidriver: \"%s\" has no control %lu\n", caption, id);
    return control;
}

int PrintText(HWND target) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(target, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        return kNotFound;
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(target, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        return kNotFound;
    }
    text.resize(copied);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return kOk;
}

int SetText(HWND target, const char* text) {
    DWORD_PTR result = 0;
    const bool sent = SendMessageTimeoutA(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return sent ? kOk : kNotFound;
}

// The text of argument `index` as the command line has it, before the ANSI
// code page turns the characters it lacks into "?".
std::wstring WideArgument(int index) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring argument = arguments != nullptr && index < count ? arguments[index] : L"";
    LocalFree(arguments);
    return argument;
}

int SetTextWide(HWND target, const std::wstring& text) {
    DWORD_PTR result = 0;
    const bool sent = SendMessageTimeoutW(target, WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(text.c_str()),
                                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return sent ? kOk : kNotFound;
}

int PrintState(HWND target) {
    DWORD_PTR checked = 0;
    SendMessageTimeoutA(target, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &checked);
    std::printf("visible=%d enabled=%d checked=%d\n", IsWindowVisible(target) ? 1 : 0,
                IsWindowEnabled(target) ? 1 : 0, static_cast<int>(checked));
    return kOk;
}

int Click(HWND target) {
    // A button in a dialog that is not active may ignore the click.
    SetForegroundWindow(GetAncestor(target, GA_ROOT));
    DWORD_PTR result = 0;
    // The click may end the dialog, and the owner may then be busy; a missing
    // answer is no failure of the click itself.
    SendMessageTimeoutA(target, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return kOk;
}

BOOL CALLBACK PrintCaption(HWND window, LPARAM) {
    char caption[512] = {};
    if (IsWindowVisible(window) && GetWindowTextA(window, caption, sizeof caption) > 0) {
        std::printf("%s\n", caption);
    }
    return TRUE;
}

// The modal window that the window with `ownerCaption` has open, waiting up
// to 5 s for it. Its caption may be in any language, so it is not asked for.
HWND FindPopup(const char* ownerCaption) {
    const ULONGLONG deadline = GetTickCount64() + 5000;
    for (;;) {
        const HWND owner = FindTopLevel(ownerCaption);
        const HWND popup = owner != nullptr ? GetLastActivePopup(owner) : nullptr;
        if (popup != nullptr && popup != owner && IsWindowVisible(popup)) return popup;
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    std::fprintf(stderr, "uidriver: \"%s\" has no modal window open\n", ownerCaption);
    return nullptr;
}

int PrintTextUtf8(HWND target) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(target, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        return kNotFound;
    }
    char utf8[4096] = {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(copied), utf8,
                                           sizeof utf8, nullptr, nullptr);
    std::fwrite(utf8, 1, static_cast<size_t>(length), stdout);
    std::fputc('\n', stdout);
    return kOk;
}

int PostClick(HWND target) {
    SetForegroundWindow(GetAncestor(target, GA_ROOT));
    return PostMessageA(target, BM_CLICK, 0, 0) ? kOk : kNotFound;
}

int PrintProgress(HWND target) {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(target, kProgressGetPosition, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &position)) {
        return kNotFound;
    }
    std::printf("%d\n", static_cast<int>(position));
    return kOk;
}

// Every visible top-level window with exactly this caption.
struct CaptionSearch {
    const char* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectCaption(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<CaptionSearch*>(data);
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    if (std::string(text) == search->caption && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> AllTopLevel(const char* caption) {
    CaptionSearch search{caption, {}};
    EnumWindows(CollectCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The same control of every window with the caption: set its text, or post a
// click to each before any of them has handled its own.
int RunAllVerb(const std::string& verb, const char* caption, const char* idText, const char* text) {
    unsigned long id = 0;
    if (!ParseNumber(idText, id)) return Usage();
    const std::vector<HWND> windows = AllTopLevel(caption);
    if (windows.empty()) return kNotFound;
    std::vector<HWND> controls;
    for (const HWND window : windows) {
        const HWND control = GetDlgItem(window, static_cast<int>(id));
        if (control == nullptr) return kNotFound;
        controls.push_back(control);
    }
    for (const HWND control : controls) {
        if (verb == "set-text-all") {
            if (SetText(control, text) != kOk) return kNotFound;
        } else if (!PostMessageA(control, BM_CLICK, 0, 0)) {
            return kNotFound;
        }
    }
    return kOk;
}

int RunPopupVerb(const std::string& verb, const char* ownerCaption, const char* idText,
                 const char* text) {
    unsigned long id = 0;
    if (!ParseNumber(idText, id)) return Usage();
    const HWND popup = FindPopup(ownerCaption);
    if (popup == nullptr) return kNotFound;
    const HWND target = id == 0 ? popup : GetDlgItem(popup, static_cast<int>(id));
    if (target == nullptr) return kNotFound;
    if (verb == "popup-set-text") return SetText(target, text);
    return verb == "popup-text" ? PrintTextUtf8(target) : Click(target);
}

// Clicks the button, then times, from the moment the click's handler has
// returned, until the same window (whatever its caption has become) shows a
// modal window: looked for every millisecond.
int TimeClick(const char* caption, const char* idText, const char* timeoutText) {
    bool usageError = false;
    unsigned long timeoutMs = 0;
    const HWND target = FindTarget(caption, idText, usageError);
    if (usageError || !ParseNumber(timeoutText, timeoutMs)) return Usage();
    if (target == nullptr) return kNotFound;
    const HWND window = GetAncestor(target, GA_ROOT);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    Click(target);
    QueryPerformanceCounter(&start);
    const auto elapsedMs = [&] {
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
               static_cast<double>(frequency.QuadPart);
    };
    for (;;) {
        const HWND popup = GetLastActivePopup(window);
        if (popup != nullptr && popup != window && IsWindowVisible(popup)) break;
        if (elapsedMs() > static_cast<double>(timeoutMs)) {
            std::fprintf(stderr, "uidriver: no modal window within %lu ms\n", timeoutMs);
            return kNotFound;
        }
        Sleep(1);
    }
    std::printf("%.0f\n", elapsedMs());
    return kOk;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    if (verb == "list" && argc == 2) {
        EnumWindows(PrintCaption, 0);
        return kOk;
    }
    if ((verb == "wait-window" || verb == "wait-gone") && argc == 4) {
        return WaitFor(argv[2], argv[3], verb == "wait-window");
    }
    if (verb == "close" && argc == 3) {
        const HWND window = FindTopLevel(argv[2]);
        if (window == nullptr) return kNotFound;
        return PostMessageA(window, WM_CLOSE, 0, 0) ? kOk : kNotFound;
    }
    if (verb == "close-all" && argc == 3) {
        const std::vector<HWND> windows = AllTopLevel(argv[2]);
        if (windows.empty()) return kNotFound;
        for (const HWND window : windows) {
            if (!PostMessageA(window, WM_CLOSE, 0, 0)) return kNotFound;
        }
        return kOk;
    }
    if (verb == "syscommand" && argc == 4) {
        unsigned long command = 0;
        if (!ParseNumber(argv[3], command)) return Usage();
        const HWND window = FindTopLevel(argv[2]);
        if (window == nullptr) return kNotFound;
        // Posted: the command may open a modal window and not return for long.
        return PostMessageA(window, WM_SYSCOMMAND, command, 0) ? kOk : kNotFound;
    }
    if ((verb == "popup-text" || verb == "popup-click") && argc == 4) {
        return RunPopupVerb(verb, argv[2], argv[3], nullptr);
    }
    if (verb == "popup-set-text" && argc == 5) return RunPopupVerb(verb, argv[2], argv[3], argv[4]);
    if (verb == "count" && argc == 3) {
        std::printf("%zu\n", AllTopLevel(argv[2]).size());
        return kOk;
    }
    if (verb == "click-all" && argc == 4) return RunAllVerb(verb, argv[2], argv[3], nullptr);
    if (verb == "time-click" && argc == 5) return TimeClick(argv[2], argv[3], argv[4]);
    if (verb == "set-text-all" && argc == 5) return RunAllVerb(verb, argv[2], argv[3], argv[4]);
    const bool controlVerb = verb == "text" || verb == "state" || verb == "click" ||
                             verb == "post-click" || verb == "progress";
    if ((controlVerb && argc == 4) ||
        ((verb == "set-text" || verb == "set-text-wide") && argc == 5)) {
        bool usageError = false;
        const HWND target = FindTarget(argv[2], argv[3], usageError);
        if (usageError) return Usage();
        if (target == nullptr) return kNotFound;
        if (verb == "text") return PrintText(target);
        if (verb == "state") return PrintState(target);
        if (verb == "click") return Click(target);
        if (verb == "post-click") return PostClick(target);
        if (verb == "progress") return PrintProgress(target);
        if (verb == "set-text-wide") return SetTextWide(target, WideArgument(4));
        return SetText(target, argv[4]);
    }
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    const int code = Run(argc, argv);
    std::fflush(stdout);
    return code;
}
