#pragma once

#include <string>
#include <string_view>

namespace kestrovane::win32 {

// UTF-16 text of the platform to and from the UTF-8 text of the portable code.
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace kestrovane::win32
