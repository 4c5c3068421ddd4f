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

// What a finish or a reset left behind: the count to show, and whether the
// counter file holds it.
struct CounterChange {
    int32_t count = 0;
    bool saved = false;
};

// One more finished upload, counted in the file that every copy of the
// program shares: under the lock all of them take (SharedFileLock), the file
// is read again and the count + 1 stored, so copies that count at the same
// time each add their own and the count shown is the file's. A file that
// cannot be read (other than missing) is never overwritten, and one that
// cannot be written keeps its count: the copy then goes on from
// `countShown`, what it showed last.
CounterChange AddFinishToCounterFile(const std::string& counterFilePath, int32_t countShown);

// Reset Times: stores 0 under the same lock.
CounterChange ResetCounterFile(const std::string& counterFilePath);

// The text of the finish count display.
std::string FinishCountText(int32_t count);

}  // namespace kestrovane
