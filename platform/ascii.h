#pragma once
// Names the devices and the user spell in either case (share names, payload
// kinds, languages): compared letter by letter, ASCII only, whatever the
// locale says.

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kfw::platform {

inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace kfw::platform
