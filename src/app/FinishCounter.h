#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrovane {

// The file that keeps the count of finished uploads: the program's path with
// its last 3 characters replaced by "DAT" (C:\Tools\Kestrovane.exe ->
// C:\Tools\Kestrovane.DAT). Characters, not bytes: a UTF-8 path keeps whole
// characters.
std::string CounterFilePath(std::string_view programPath);

// The count stored in the file's first 4 bytes (signed, little-endian). A
// missing, unreadable or shorter file counts 0; later bytes are ignored.
int32_t ReadFinishCount(const std::string& counterFilePath);

// Stores the finish count as the counter file's 4 bytes (signed,
// little-endian) without ever leaving a truncated or zeroed file behind: the
// bytes go to a temporary file of its own beside it (FileReplacement), which
// then replaces the counter file in one rename. When anything fails the old
// file stays as it was and no temporary file is left. Returns false when the
// count was not stored.
bool SaveCounterFile(const std::string& counterFilePath, int32_t count);

// The text of the finish count display.
std::string FinishCountText(int32_t count);

}  // namespace kestrovane
