#pragma once
// A dialog built from its forms/ table: the window's procedure forwards to
// the object, which owns a modeless window and ends a modal one. The
// program's window and every modal dialog derive from it.

#include <windows.h>

#include <string>
#include <string_view>

#include "forms/dialog_table.h"
#include "win32/dialog_template.h"

namespace kfw::win32 {

class Dialog {
 public:
  Dialog(forms::DialogLayout layout, Frame frame);
  virtual ~Dialog();  // destroys a modeless window that is still there
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally over `owner` (centred on it) and returns the
  // code End was given; -1 when the dialog could not be made.
  INT_PTR RunModal(HWND owner);
  // Creates the dialog modeless and hidden (ShowWindow shows it); its
  // window lives until End or the object's end. Null on failure.
  HWND CreateModeless(HWND owner);

  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  const forms::DialogLayout& layout() const { return layout_; }

 protected:
  // WM_INITDIALOG, once the controls exist. True lets the system focus the
  // first tab stop; return false after setting the focus yourself.
  virtual bool OnInit() { return true; }
  // WM_COMMAND from a control, a menu or the keyboard (IDOK for Enter,
  // IDCANCEL for Esc and the close box): true when handled. Nothing ends
  // the dialog but End, so a dialog that takes no IDCANCEL stays up.
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
  // Any other message, as a dialog procedure answers it: TRUE when
  // handled (with the result in DWLP_MSGRESULT where it has one).
  virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }
  // Closes the dialog: a modal one returns `code` from RunModal, a
  // modeless one is destroyed.
  void End(INT_PTR code);

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  forms::DialogLayout layout_;
  DialogTemplate template_;
  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  bool modal_ = false;
};

// A window's text, and setting it from the program's UTF-8.
std::wstring WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view utf8);
// Overwrites a text that held a password before its memory is given back.
void WipeText(std::wstring& text);

// The message loop of a program whose window is the modeless `dialog`:
// Tab, Enter and Esc work as in any dialog. Returns WM_QUIT's code.
int RunMessageLoop(HWND dialog);

}  // namespace kfw::win32
