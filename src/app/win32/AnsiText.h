#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrovane::win32 {

// 8-bit text in the system's ANSI code page (CP_ACP), as a program built for
// 8-bit text shows it, and back.

// The wide text of `bytes`, up to their first NUL.
std::wstring WideFromAnsi(std::string_view bytes);

// The bytes of `wide` in the ANSI code page; nothing when a character has no
// byte sequence of its own there (no best-fit stand-in, no default
// character) or the bytes would not show as the same text again.
std::optional<std::string> AnsiFromWide(std::wstring_view wide);

}  // namespace kestrovane::win32
