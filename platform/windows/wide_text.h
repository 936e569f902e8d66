#pragma once
// The program keeps its texts in UTF-8; the system's W calls take UTF-16.
// Invalid sequences either way become U+FFFD rather than failing the call.

#include <string>
#include <string_view>

namespace kfw::platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace kfw::platform
