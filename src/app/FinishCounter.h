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

// Stores `count` as the file's 4 bytes. Returns false when it cannot be
// written.
bool WriteFinishCount(const std::string& counterFilePath, int32_t count);

// The text of the finish count display.
std::string FinishCountText(int32_t count);

}  // namespace kestrovane
