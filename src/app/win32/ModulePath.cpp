#include "app/win32/ModulePath.h"

#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

std::wstring ModulePath(HMODULE module) {
    // A path longer than the buffer comes back cut short; grow until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ApplicationName() {
    std::wstring name = ModulePath(nullptr);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

std::string Win32ProgramPath::FullPath() const {
    return Utf8FromWide(ModulePath(nullptr));
}

}  // namespace kestrovane::win32
