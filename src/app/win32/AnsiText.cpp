#include "app/win32/AnsiText.h"

#include <windows.h>

namespace kestrovane::win32 {

std::wstring WideFromAnsi(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

std::optional<std::string> AnsiFromWide(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // A system whose ANSI code page is UTF-8 takes no flags and no default
    // character; the check below still catches what does not come back.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultOut);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, bytes.data(), length, nullptr,
                        usedDefaultOut);
    if (usedDefault || bytes.find('\0') != std::string::npos) return std::nullopt;
    // The round trip: the bytes must show as the very text they came from.
    if (WideFromAnsi(bytes) != wide) return std::nullopt;
    return bytes;
}

}  // namespace kestrovane::win32
