#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrovane {

// Appends `record` to the file at `target` in one write at its end (O_APPEND
// on POSIX, FILE_APPEND_DATA on Windows), creating the file if it does not
// exist, and flushes it to the disk. The file is never truncated, and records
// that several processes append at once each land whole, one after another.
// False, with the system's reason in `why`, when it could not; a record that
// could only be written in part is then reported as failed.
bool AppendRecord(const std::filesystem::path& target, std::string_view record, std::string& why);

}  // namespace kestrovane
