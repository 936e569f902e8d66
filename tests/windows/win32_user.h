#pragma once
// A user at the Win32 windows under wine, by message: the next dialog the
// thread shows answered by a script, clicks, keys and choices.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "tests/support/win32_shown_dialog.h"

namespace kfw::win32 {

using namespace std::chrono_literals;

// Acts on the next dialog this thread shows, once it is up, as a user
// would. A dialog the script leaves open is ended after a few seconds, so
// that a failing test cannot hang the run. `window`, the program's own
// window when one is open, is never taken for the dialog.
class UserScript {
 public:
  explicit UserScript(std::function<void(HWND)> act, HWND window = nullptr) : act_(std::move(act)), window_(window) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &UserScript::Tick);
  }
  ~UserScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  HWND dialog() const { return dialog_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    UserScript* self = current_;
    if (!self) return;
    if (!self->dialog_) {
      const HWND found = ShownDialog(self->window_);
      if (!found) return;
      self->dialog_ = found;
      self->deadline_ = std::chrono::steady_clock::now() + 5s;
      self->act_(found);
    } else if (IsWindow(self->dialog_) && IsWindowEnabled(self->dialog_) &&
               std::chrono::steady_clock::now() > self->deadline_) {
      ADD_FAILURE() << "the dialog was left open";
      EndDialog(self->dialog_, -2);
    }
  }

  static inline UserScript* current_ = nullptr;
  std::function<void(HWND)> act_;
  HWND window_;
  UINT_PTR timer_ = 0;
  HWND dialog_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
};

inline void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void Type(HWND edit, std::wstring_view text) {
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}
// Esc as the keyboard sends it, through the dialog's own keyboard handling.
inline void PressEscape(HWND dialog) {
  HWND focus = GetFocus();
  PostMessageW(focus && IsChild(dialog, focus) ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 1);
}
// A choice in a drop-down list, with the notice the list sends its dialog.
inline void Choose(HWND dialog, int listId, int index) {
  const HWND list = GetDlgItem(dialog, listId);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Runs the thread's queued messages, as a message loop would between
// a user's actions.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    // Tab, Enter and Esc reach the dialog they are typed in.
    const HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && IsDialogMessageW(top, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace kfw::win32
