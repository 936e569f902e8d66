#pragma once
// A forms/ table as an in-memory dialog template (DLGTEMPLATEEX and its
// items), the way a resource compiler would have written it, so that the
// system's dialog manager creates the controls, scales them with the
// dialog font and runs the keyboard interface.

#include <windows.h>

#include <vector>

#include "forms/dialog_table.h"

namespace kfw::win32 {

// The id a control of the table without one (forms::kNoId) gets: the
// resource scripts' IDC_STATIC.
inline constexpr int kStaticId = -1;
// The program's icon resource (resources/windows/korvex-findway.rc.in); a
// table's Icon control names it as "#1".
inline constexpr int kAppIconId = 1;
inline constexpr const char* kAppIconName = "#1";

// How the dialog's window is framed.
enum class Frame {
  Main,         // the program's window: caption, system menu, minimize box
  Closable,     // a modal dialog with a close box (Login, About)
  CaptionOnly,  // a modal dialog without a system menu: only its buttons (or Esc) answer it
};

class DialogTemplate {
 public:
  DialogTemplate(const forms::DialogLayout& layout, Frame frame);

  // DWORD-aligned, as DialogBoxIndirectParamW and CreateDialogIndirectParamW want it.
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
  const WORD* words() const { return words_.data(); }
  std::size_t size() const { return words_.size() * sizeof(WORD); }

 private:
  std::vector<WORD> words_;
};

// Sets up what a template cannot say: full-row selection in report views.
// Call once the controls exist (WM_INITDIALOG).
void PrepareControls(HWND dialog, const forms::DialogLayout& layout);

// Registers the common control classes the tables use; idempotent.
void InitCommonControlClasses();

// The template run modally over `owner` (the module's instance, so an Icon
// control finds the program's icon): EndDialog's result, -1 on failure.
INT_PTR RunModalTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter);
// The template created modeless and hidden: its window, null on failure.
HWND CreateModelessTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter);

}  // namespace kfw::win32
