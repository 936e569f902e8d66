#pragma once
// The dialog a Win32 thread shows next, found as a user would see it: for
// the tests and the screenshot tool that answer it by message.

#include <windows.h>

#include <string>

namespace kfw::win32 {

inline std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// A visible dialog of this thread that takes input, other than `skip` (the
// program's own window); null while there is none.
inline HWND ShownDialog(HWND skip) {
  struct Search {
    HWND skip;
    HWND found = nullptr;
  } search{skip};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        if (window == s.skip || ClassName(window) != L"#32770" || !IsWindowVisible(window) ||
            !IsWindowEnabled(window)) {
          return TRUE;
        }
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace kfw::win32
