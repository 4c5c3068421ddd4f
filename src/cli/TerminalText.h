#pragma once

#include <string>
#include <string_view>

namespace kestrovane::cli {

// Text from outside the program (a camera, an image, a file, the system) as it
// may be shown on a terminal: control characters (C0, DEL and the C1 range)
// and bytes that are not part of valid UTF-8 are shown as `\xNN`, so no such
// text can move the cursor, clear the screen, retitle the window or rewrite a
// line. Printable text, multi-byte characters included, is kept as it is.
std::string TerminalSafe(std::string_view text);

// The same for a text of the program's own that may span lines: line feeds
// and tabs are kept, everything else as TerminalSafe shows it.
std::string TerminalSafeLines(std::string_view text);

}  // namespace kestrovane::cli
