#include "win32/dialog_template.h"

#include <commctrl.h>

#include <charconv>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/windows/wide_text.h"

namespace kfw::win32 {
namespace {

using forms::ControlEntry;
using forms::ControlKind;
namespace style = forms::style;

// The predefined classes, by the ordinals a template names them with.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

struct ItemClass {
  WORD ordinal;  // 0 when named
  const wchar_t* name;
  DWORD style;
};

ItemClass ClassOf(const ControlEntry& c) {
  switch (c.kind) {
    case ControlKind::Label:
      // Lines break where the text says, never at the edge, as the Qt labels do.
      return {kStatic, nullptr, SS_LEFTNOWORDWRAP | SS_NOPREFIX | WS_GROUP};
    case ControlKind::GroupBox:
      return {kButton, nullptr, BS_GROUPBOX};
    case ControlKind::Button:
      return {kButton, nullptr, BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::DefaultButton:
      return {kButton, nullptr, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::Edit:
      return {kEdit, nullptr,
              static_cast<DWORD>(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP |
                                 ((c.style & style::kPassword) ? ES_PASSWORD : 0))};
    case ControlKind::DropDownList:
      return {kComboBox, nullptr,
              static_cast<DWORD>(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP |
                                 ((c.style & style::kSorted) ? CBS_SORT : 0))};
    case ControlKind::ReportView:
      return {0, WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP};
    case ControlKind::AddressField:
      return {0, WC_IPADDRESSW, WS_TABSTOP};
    case ControlKind::Icon:
      return {kStatic, nullptr, SS_ICON | WS_GROUP};
    case ControlKind::RadioButton:
      return {kButton, nullptr, BS_AUTORADIOBUTTON | WS_TABSTOP};
    case ControlKind::ProgressBar:
      return {0, PROGRESS_CLASSW, PBS_SMOOTH};
  }
  return {kStatic, nullptr, 0};
}

class Writer {
 public:
  explicit Writer(std::vector<WORD>& out) : out_(out) {}
  void Word(WORD value) { out_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
  void Text(std::wstring_view text) {
    out_.insert(out_.end(), text.begin(), text.end());
    Word(0);
  }
  void Ordinal(WORD value) {
    Word(0xFFFF);
    Word(value);
  }
  void AlignDword() {
    if (out_.size() % 2 != 0) Word(0);
  }

 private:
  std::vector<WORD>& out_;
};

// "#123" names resource 123, as the resource functions read it.
bool ResourceOrdinal(std::string_view name, WORD& ordinal) {
  if (name.size() < 2 || name[0] != '#') return false;
  const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), ordinal);
  return error == std::errc() && end == name.data() + name.size();
}

void WriteItem(Writer& w, const ControlEntry& c, bool startsGroup) {
  const ItemClass cls = ClassOf(c);
  DWORD itemStyle = WS_CHILD | cls.style;
  if (!(c.style & style::kHidden)) itemStyle |= WS_VISIBLE;
  if (c.style & style::kDisabled) itemStyle |= WS_DISABLED;
  if (startsGroup) itemStyle |= WS_GROUP;

  w.AlignDword();
  w.Dword(0);  // help id
  w.Dword(0);  // extended style
  w.Dword(itemStyle);
  w.Short(c.x);
  w.Short(c.y);
  w.Short(c.width);
  w.Short(c.height);
  w.Dword(static_cast<DWORD>(c.id == forms::kNoId ? kStaticId : c.id));
  if (cls.ordinal != 0) {
    w.Ordinal(cls.ordinal);
  } else {
    w.Text(cls.name);
  }
  WORD image = 0;
  if (c.kind == ControlKind::Icon && ResourceOrdinal(c.text, image)) {
    w.Ordinal(image);
  } else {
    w.Text(platform::Widen(c.text));
  }
  w.Word(0);  // no creation data
}

DWORD FrameStyle(Frame frame) {
  switch (frame) {
    case Frame::Main:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER;
    case Frame::Closable:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    case Frame::CaptionOnly:
      return WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
  }
  return WS_POPUP | WS_CAPTION;
}

}  // namespace

DialogTemplate::DialogTemplate(const forms::DialogLayout& layout, Frame frame) {
  // The shell font flag asks for the system's dialog face in place of "MS
  // Shell Dlg"; a table that names a real face keeps it.
  const std::wstring face = platform::Widen(layout.fontFace);
  const bool shellFace = face == L"MS Shell Dlg" || face == L"MS Shell Dlg 2";
  Writer w(words_);
  w.Word(1);       // extended template
  w.Word(0xFFFF);  // its signature
  w.Dword(0);      // help id
  w.Dword(0);      // extended style
  w.Dword(FrameStyle(frame) | (shellFace ? DS_SHELLFONT : DS_SETFONT));
  w.Word(static_cast<WORD>(layout.controls.size()));
  w.Short(0);
  w.Short(0);
  w.Short(layout.width);
  w.Short(layout.height);
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.Text(platform::Widen(layout.caption));
  w.Word(static_cast<WORD>(layout.pointSize));
  w.Word(FW_NORMAL);
  w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // not italic; the character set
  w.Text(face);

  // A run of radio buttons is one group: its first button starts it and
  // the control after its last one starts the next.
  bool afterRadio = false;
  for (const ControlEntry& c : layout.controls) {
    const bool radio = c.kind == ControlKind::RadioButton;
    WriteItem(w, c, radio != afterRadio);
    afterRadio = radio;
  }
}

void PrepareControls(HWND dialog, const forms::DialogLayout& layout) {
  for (const ControlEntry& c : layout.controls) {
    if (c.kind != ControlKind::ReportView) continue;
    const HWND list = GetDlgItem(dialog, c.id);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  }
}

void InitCommonControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    const INITCOMMONCONTROLSEX classes{
        sizeof(INITCOMMONCONTROLSEX),
        ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
  });
}

INT_PTR RunModalTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter) {
  InitCommonControlClasses();
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, procedure, parameter);
}

HWND CreateModelessTemplate(const DialogTemplate& dialog, HWND owner, DLGPROC procedure, LPARAM parameter) {
  InitCommonControlClasses();
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, procedure, parameter);
}

}  // namespace kfw::win32
