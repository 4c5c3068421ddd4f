#pragma once

#include <string>
#include <string_view>

namespace kestrovane::win32 {

// Conversions between the program's UTF-8 texts and the platform's UTF-16.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace kestrovane::win32
