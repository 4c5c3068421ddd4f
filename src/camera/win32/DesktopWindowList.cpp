#include "camera/win32/DesktopWindowList.h"

#include <windows.h>

#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

namespace {

BOOL CALLBACK CollectTitle(HWND window, LPARAM context) {
    auto* titles = reinterpret_cast<std::vector<std::string>*>(context);
    const int length = GetWindowTextLengthW(window);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    const int copied = length > 0 ? GetWindowTextW(window, title.data(), length + 1) : 0;
    title.resize(static_cast<size_t>(copied));
    titles->push_back(Utf8FromWide(title));
    return TRUE;
}

}  // namespace

std::vector<std::string> DesktopWindowList::TopLevelWindowTitles() {
    std::vector<std::string> titles;
    EnumWindows(CollectTitle, reinterpret_cast<LPARAM>(&titles));
    return titles;
}

}  // namespace kestrovane::win32
