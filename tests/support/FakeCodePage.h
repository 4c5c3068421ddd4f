#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrovane::testing {

// The text conversions of the fake dialog window, made as the real window
// makes them.

// What a window shows of a text it is given as UTF-8: up to the first NUL,
// each byte that is no part of a valid UTF-8 character as U+FFFD.
std::string WindowTextOf(std::string_view utf8);

// The fake's ANSI code page: windows-1252 as its table defines it. The five
// bytes the table leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) show as
// U+FFFD and no character goes back to them, so that a text shown from them
// cannot go back to its bytes. A text ends at its first NUL.
std::string Windows1252ToUtf8(std::string_view bytes);
// Nothing when a character has no byte in the table (or the text is no
// valid UTF-8).
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

}  // namespace kestrovane::testing
