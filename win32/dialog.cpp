#include "win32/dialog.h"

#include <utility>

#include "platform/windows/wide_text.h"
#include "win32/busy.h"

namespace kfw::win32 {
namespace {

// A modal dialog opens over the middle of its owner, as it would in the
// Qt window, rather than in the middle of the screen.
void CentreOver(HWND window, HWND owner) {
  RECT outer, inner;
  if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &outer) || !GetWindowRect(window, &inner)) {
    return;
  }
  const int width = inner.right - inner.left;
  const int height = inner.bottom - inner.top;
  SetWindowPos(window, nullptr, outer.left + (outer.right - outer.left - width) / 2,
               outer.top + (outer.bottom - outer.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Dialog::Dialog(forms::DialogLayout layout, Frame frame)
    : layout_(std::move(layout)), template_(layout_, frame) {}

Dialog::~Dialog() {
  if (window_ && !modal_) DestroyWindow(window_);
}

INT_PTR Dialog::RunModal(HWND owner) {
  modal_ = true;
  owner_ = owner;
  return RunModalTemplate(template_, owner, &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HWND owner) {
  modal_ = false;
  owner_ = owner;
  return CreateModelessTemplate(template_, owner, &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR code) {
  if (!window_) return;
  if (modal_) {
    EndDialog(window_, code);
  } else {
    DestroyWindow(window_);
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->window_ = window;
    PrepareControls(window, self->layout_);
    if (self->modal_) CentreOver(window, self->owner_);
    return self->OnInit() ? TRUE : FALSE;
  }
  if (!self) return FALSE;  // the messages before WM_INITDIALOG
  switch (message) {
    case WM_SETCURSOR:
      if (!Busy()) break;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND:
      if (self->OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
      break;
    case WM_NCDESTROY:
      self->window_ = nullptr;
      SetWindowLongPtrW(window, DWLP_USER, 0);
      return FALSE;
    default:
      break;
  }
  return self->OnMessage(message, wParam, lParam);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void SetWindowTextUtf8(HWND window, std::string_view utf8) {
  SetWindowTextW(window, platform::Widen(utf8).c_str());
}

void WipeText(std::wstring& text) {
  text.resize(text.capacity());
  SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
  text.clear();
}

int RunMessageLoop(HWND dialog) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kfw::win32
