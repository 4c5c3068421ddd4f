#pragma once

#include <string>

namespace kestrovane::cli {

// The system's word for why the file at `path` (UTF-8) cannot be read
// ("No such file or directory", "Permission denied", "Is a directory"), or
// an empty text when it can be opened after all.
std::string ReadFailureReason(const std::string& path);

// "The image PATH cannot be read: REASON." with the reason when there is one.
std::string CannotReadText(const std::string& what, const std::string& path);

}  // namespace kestrovane::cli
