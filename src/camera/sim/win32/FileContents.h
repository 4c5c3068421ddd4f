#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrovane::simcam {

// The whole contents of a file; none when it cannot be read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path);

// Replaces the file with `bytes` through a FileReplacement: a temporary file
// of its own beside it, renamed over it, so a reader (in this process or
// another) sees the old contents or the new, never a part. A rename that
// another process's open handle holds up is tried again for a while. False
// when the file could not be replaced; it then keeps its old contents.
bool WriteFileAtomically(const std::wstring& path, const std::vector<uint8_t>& bytes);

}  // namespace kestrovane::simcam
