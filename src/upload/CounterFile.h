#pragma once

#include <cstdint>
#include <string>

namespace kestrovane {

// Stores the finish count as the counter file's 4 bytes (signed,
// little-endian) without ever leaving a truncated or zeroed file behind: the
// bytes go to a temporary file beside it, which then replaces the counter file
// in one rename. When anything fails the old file stays as it was and the
// temporary file is removed. Returns false when the count was not stored.
bool SaveCounterFile(const std::string& counterFilePath, int32_t count);

// The temporary file SaveCounterFile writes first.
std::string CounterTemporaryPath(const std::string& counterFilePath);

}  // namespace kestrovane
