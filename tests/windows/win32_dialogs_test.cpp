// The Win32 dialogs under wine, on a display: every table built into a real
// dialog and checked control by control, and the dialogs answered as a user
// would answer them, through Win32Interaction.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/addon_install.h"
#include "forms/about_form.h"
#include "forms/addon_forms.h"
#include "forms/drive_in_use_form.h"
#include "forms/login_form.h"
#include "forms/main_window_form.h"
#include "forms/widget_forms.h"
#include "platform/windows/wide_text.h"
#include "win32/busy.h"
#include "win32/dialogs.h"
#include "win32/win32_interaction.h"
#include "win32_user.h"

namespace kfw::win32 {
namespace {

using namespace std::chrono_literals;
using forms::ControlKind;
using platform::Widen;

// Each of x, y, width and height scaled alone, as the dialog manager places
// a control.
RECT Pixels(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, width, height};
  MapDialogRect(dialog, &r);
  return r;
}

// The tables ----------------------------------------------------------------

struct Table {
  const char* name;
  forms::DialogLayout layout;
  bool systemMenu;
  std::function<std::unique_ptr<Dialog>()> make;
};

// Every kind once, with the flags no table of the program has yet.
forms::DialogLayout EveryKind() {
  using enum ControlKind;
  namespace style = forms::style;
  return {1, "every kind", "Arial", 8, 200, 120,
          {
              {GroupBox, forms::kNoId, "Group", 2, 2, 196, 116},
              {Label, forms::kNoId, "Label", 6, 10, 40, 8, style::kDisabled},
              {Edit, 1101, "text", 50, 8, 60, 12, style::kDisabled | style::kHidden},
              {DropDownList, 1102, "", 120, 8, 60, 40, style::kDisabled},
              {ReportView, 1103, "", 6, 24, 90, 30, style::kHidden},
              {AddressField, 1104, "", 100, 24, 80, 12, style::kDisabled},
              {RadioButton, 1105, "One", 6, 60, 40, 10, style::kDisabled},
              {RadioButton, 1106, "Two", 6, 72, 40, 10, style::kHidden},
              {ProgressBar, 1107, "", 50, 60, 100, 10, style::kDisabled},
              {Icon, forms::kNoId, kAppIconName, 160, 70, 20, 20},
              {DefaultButton, 1, "OK", 90, 100, 50, 14, style::kDisabled},
              {Button, 2, "Cancel", 144, 100, 50, 14, style::kHidden},
          }};
}

std::vector<Table> Tables() {
  const auto plain = [](forms::DialogLayout layout, Frame frame) {
    return [=] { return std::make_unique<Dialog>(layout, frame); };
  };
  return {
      {"every kind", EveryKind(), false, plain(EveryKind(), Frame::CaptionOnly)},
      {"main window", forms::MainWindowForm(), true, plain(forms::MainWindowForm(), Frame::Main)},
      {"login", forms::LoginForm(), true,
       [] { return std::make_unique<LoginDialog>(core::LoginQuestion{}); }},
      {"drive in use", forms::DriveInUseForm(), false, [] { return std::make_unique<DriveInUseDialog>(); }},
      {"widget engine", forms::WidgetEngineForm(), false,
       [] { return std::make_unique<WidgetEngineDialog>(); }},
      {"model pick", forms::ModelPickForm(), false, [] { return std::make_unique<ModelPickDialog>(); }},
      {"language", forms::LanguageForm(), false,
       [] {
         return std::make_unique<LanguageDialog>(core::LanguageQuestion{}, [](const core::UserMessage&) {});
       }},
      {"loading", forms::LoadingForm(), false, [] { return std::make_unique<LoadingDialog>(1h, [] {}); }},
      {"restart", forms::RestartForm(), false,
       [] { return std::make_unique<RestartDialog>(core::RestartWait{}); }},
      {"about", forms::AboutForm(kAppIconName), true, [] { return std::make_unique<AboutDialog>(); }},
  };
}

struct Kind {
  const wchar_t* className;
  DWORD mask;   // the style bits that tell the kind
  DWORD style;  // their value
  bool hasText;
};

Kind KindOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return {L"Static", SS_TYPEMASK, SS_LEFTNOWORDWRAP, true};
    case ControlKind::GroupBox:
      return {L"Button", BS_TYPEMASK, BS_GROUPBOX, true};
    case ControlKind::Button:
      return {L"Button", BS_TYPEMASK | WS_TABSTOP, BS_PUSHBUTTON | WS_TABSTOP, true};
    case ControlKind::DefaultButton:
      return {L"Button", BS_TYPEMASK | WS_TABSTOP, BS_DEFPUSHBUTTON | WS_TABSTOP, true};
    case ControlKind::Edit:
      return {L"Edit", ES_AUTOHSCROLL | WS_TABSTOP, ES_AUTOHSCROLL | WS_TABSTOP, true};
    case ControlKind::DropDownList:
      return {L"ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP, CBS_DROPDOWNLIST | WS_TABSTOP, false};
    case ControlKind::ReportView: {
      const DWORD style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
      return {L"SysListView32", LVS_TYPEMASK | style, style, false};
    }
    case ControlKind::AddressField:
      return {L"SysIPAddress32", WS_TABSTOP, WS_TABSTOP, false};
    case ControlKind::Icon:
      return {L"Static", SS_TYPEMASK, SS_ICON, false};
    case ControlKind::RadioButton:
      return {L"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON, true};
    case ControlKind::ProgressBar:
      return {L"msctls_progress32", PBS_SMOOTH, PBS_SMOOTH, false};
  }
  return {};
}

void ExpectNear(LONG actual, LONG expected, const char* what) {
  EXPECT_LE(std::abs(actual - expected), 1) << what << ": " << actual << " pixels, the table's " << expected;
}

TEST(Win32DialogTest, EveryTableBuildsItsControlsWithIdsClassesTextsRectanglesAndStyles) {
  for (const Table& table : Tables()) {
    SCOPED_TRACE(table.name);
    const forms::DialogLayout& layout = table.layout;
    const std::unique_ptr<Dialog> dialog = table.make();
    const HWND window = dialog->CreateModeless(nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(WindowText(window), Widen(layout.caption));
    EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU) != 0, table.systemMenu);
    RECT client;
    GetClientRect(window, &client);
    const RECT size = Pixels(window, 0, 0, layout.width, layout.height);
    ExpectNear(client.right, size.right, "client width");
    ExpectNear(client.bottom, size.bottom, "client height");

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(std::wstring(font.lfFaceName), Widen(layout.fontFace));
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(-font.lfHeight, MulDiv(layout.pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    // The dialog's own children, in the order they were made: the table's.
    HWND control = GetWindow(window, GW_CHILD);
    for (const forms::ControlEntry& entry : layout.controls) {
      SCOPED_TRACE(entry.text + " (" + std::to_string(entry.id) + ")");
      ASSERT_NE(control, nullptr) << "a control is missing";
      const Kind kind = KindOf(entry.kind);
      const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
      EXPECT_EQ(GetDlgCtrlID(control), entry.id == forms::kNoId ? kStaticId : entry.id);
      EXPECT_EQ(ClassName(control), kind.className);
      EXPECT_EQ(style & kind.mask, kind.style);
      if (kind.hasText) {
        EXPECT_EQ(WindowText(control), Widen(entry.text));
      }
      EXPECT_EQ((style & WS_VISIBLE) != 0, !(entry.style & forms::style::kHidden));
      EXPECT_EQ((style & WS_DISABLED) != 0, (entry.style & forms::style::kDisabled) != 0);
      if (entry.kind == ControlKind::Edit) {
        EXPECT_EQ((style & ES_PASSWORD) != 0, (entry.style & forms::style::kPassword) != 0);
        // The dialog manager may turn the border into a sunken edge.
        EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
      }
      if (entry.kind == ControlKind::DropDownList) {
        EXPECT_EQ((style & CBS_SORT) != 0, (entry.style & forms::style::kSorted) != 0);
      }
      if (entry.kind == ControlKind::ReportView) {
        EXPECT_TRUE(ListView_GetExtendedListViewStyle(control) & LVS_EX_FULLROWSELECT);
      }
      if (entry.kind == ControlKind::Icon) {
        EXPECT_NE(SendMessageW(control, STM_GETICON, 0, 0), 0) << "no icon";
      }

      RECT at;
      GetWindowRect(control, &at);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
      RECT expected = Pixels(window, entry.x, entry.y, entry.width, entry.height);
      if (entry.kind == ControlKind::DropDownList) {
        // The table's height reaches down to the open list's foot, which
        // the list raises to show whole items only; closed, the box is as
        // tall as its text.
        COMBOBOXINFO parts{};
        parts.cbSize = sizeof parts;
        ASSERT_TRUE(GetComboBoxInfo(control, &parts));
        RECT list;
        GetWindowRect(parts.hwndList, &list);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&list), 2);
        const LONG item = static_cast<LONG>(SendMessageW(control, CB_GETITEMHEIGHT, 0, 0));
        const LONG foot = Pixels(window, 0, entry.y + entry.height, 0, 0).top;
        EXPECT_LE(list.bottom, foot + 1);
        EXPECT_GT(list.bottom, foot - item);
        expected.bottom = at.bottom - at.top;
      } else if (entry.kind == ControlKind::Icon) {
        // A static icon takes the icon's size.
        expected.right = GetSystemMetrics(SM_CXICON);
        expected.bottom = GetSystemMetrics(SM_CYICON);
      }
      ExpectNear(at.left, expected.left, "x");
      ExpectNear(at.top, expected.top, "y");
      ExpectNear(at.right - at.left, expected.right, "width");
      ExpectNear(at.bottom - at.top, expected.bottom, "height");
      control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "a control the table does not have";
  }
}

TEST(Win32DialogTest, TemplateHeaderNamesTheFontAndRadioButtonsFormOneGroup) {
  // The shell font flag only where the table names the shell's face.
  for (const char* face : {"Arial", "MS Shell Dlg 2"}) {
    forms::DialogLayout layout = forms::DriveInUseForm();
    layout.fontFace = face;
    const DialogTemplate dialog(layout, Frame::CaptionOnly);
    const WORD* words = dialog.words();
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(words[1], 0xFFFF);
    const DWORD style = MAKELONG(words[6], words[7]);
    EXPECT_EQ((style & DS_SHELLFONT) == DS_SHELLFONT, std::string(face) != "Arial") << face;
    EXPECT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(words) % sizeof(DWORD), 0u);
  }

  // Arrow keys move among the three models and stop at their ends.
  ModelPickDialog pick;
  ASSERT_NE(pick.CreateModeless(nullptr), nullptr);
  using namespace forms::model_pick;
  for (int id : {kOk, kCancel, kKvr210, kKvr220, kKvr400}) {
    const bool startsGroup = GetWindowLongW(pick.Control(id), GWL_STYLE) & WS_GROUP;
    EXPECT_EQ(startsGroup, id == kKvr210) << id;
  }
  const HWND after = GetWindow(pick.Control(kKvr400), GW_HWNDNEXT);
  EXPECT_TRUE(GetWindowLongW(after, GWL_STYLE) & WS_GROUP);
}

// The program's resources ---------------------------------------------------

TEST(Win32ResourcesTest, ManifestVersionAndIconAreLinkedIn) {
  // Version 6 of the common controls, which only the manifest brings, from
  // the side-by-side store: the module the program's own calls go to.
  HMODULE controls = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&InitCommonControlsEx)), &controls));
  wchar_t controlsPath[MAX_PATH];
  GetModuleFileNameW(controls, controlsPath, MAX_PATH);
  std::wstring where(controlsPath);
  CharLowerW(where.data());
  EXPECT_NE(where.find(L"\\winsxs\\"), std::wstring::npos) << platform::Narrow(where);

  // Per-monitor DPI awareness, also from the manifest.
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using Context = HANDLE(WINAPI*)();
  using Awareness = int(WINAPI*)(HANDLE);
  const auto context = reinterpret_cast<Context>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  const auto awareness = reinterpret_cast<Awareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_TRUE(context && awareness);
  EXPECT_EQ(awareness(context()), 2);  // DPI_AWARENESS_PER_MONITOR_AWARE

  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::vector<char> block(GetFileVersionInfoSizeW(path, nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numbers, KFW_VERSION);

  for (bool small : {false, true}) {
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(AppIcon(small), &info)) << small;
    BITMAP image{};
    GetObjectW(info.hbmColor, sizeof image, &image);
    EXPECT_EQ(image.bmWidth, GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
}

// The seam's answers ----------------------------------------------------------

TEST(Win32InteractionTest, MessageBoxesShowCaptionTextDetailAndIcon) {
  struct Case {
    core::UserMessage message;
    std::wstring caption, text;
    LPCWSTR icon;
  };
  const Case cases[] = {
      {{"Login", "Wrong password.", core::MessageIcon::Stop, "access denied"},
       L"Login",
       L"Wrong password.\n\naccess denied",
       IDI_HAND},
      {{"", "Done.", core::MessageIcon::Information}, L"Korvex Findway Utility", L"Done.", IDI_ASTERISK},
  };
  for (const Case& c : cases) {
    std::wstring caption, text;
    bool iconShown = false;
    UserScript script([&](HWND box) {
      caption = WindowText(box);
      text = WindowText(GetDlgItem(box, 0xFFFF));
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (ClassName(child) == L"Static" && icon) iconShown = icon == LoadIconW(nullptr, c.icon);
      }
      Click(box, IDOK);
    });
    Win32Interaction().Message(c.message);
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(text, c.text);
    EXPECT_TRUE(iconShown) << platform::Narrow(c.caption);
  }
}

TEST(Win32InteractionTest, LoginTakesSixteenBytesAndAnswersWhatWasTypedAtOkOnly) {
  using namespace forms::login;
  Win32Interaction user;
  {
    // Share access: both asked, each at most 16 bytes however it is typed.
    UserScript script([](HWND dialog) {
      const HWND name = GetDlgItem(dialog, kUserName);
      EXPECT_EQ(GetFocus(), name);
      EXPECT_TRUE(IsWindowEnabled(name));
      const struct {
        std::wstring typed, kept;
      } cases[] = {
          {std::wstring(20, L'x'), std::wstring(16, L'x')},
          {std::wstring(10, L'\u00E9'), std::wstring(8, L'\u00E9')},  // two bytes each
          {L"abcdefghijklmn\u00E9", L"abcdefghijklmn\u00E9"},         // exactly 16
          // Four bytes that do not fit go whole, not half a pair.
          {L"abcdefghijklm\U0001F600", L"abcdefghijklm"},
          {L"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600",
           L"\U0001F600\U0001F600\U0001F600\U0001F600"},
      };
      for (const auto& c : cases) {
        SetWindowTextW(name, L"");
        Type(name, c.typed);
        EXPECT_EQ(WindowText(name), c.kept);
      }
      Type(GetDlgItem(dialog, kPassword), L"0123456789abcdefXY");
      Click(dialog, kOk);
    });
    const auto answer = user.AskLogin({core::LoginMode::ShareAccess, std::nullopt});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->user, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
    EXPECT_EQ(answer->password.view(), "0123456789abcdef");
  }
  {
    // The administrator: "admin" fixed and greyed, the password asked.
    UserScript script([](HWND dialog) {
      EXPECT_EQ(WindowText(GetDlgItem(dialog, kUserName)), L"admin");
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kUserName)));
      EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kPassword));
      Type(GetDlgItem(dialog, kPassword), L"pw");
      Click(dialog, kOk);
    });
    const auto answer = user.AskLogin({core::LoginMode::Administrator, "admin"});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->user, "admin");
    EXPECT_EQ(answer->password.view(), "pw");
  }
  for (bool escape : {false, true}) {
    UserScript script([escape](HWND dialog) {
      Type(GetDlgItem(dialog, kPassword), L"pw");
      escape ? PressEscape(dialog) : Click(dialog, kCancel);
    });
    EXPECT_FALSE(user.AskLogin({core::LoginMode::Administrator, "admin"})) << escape;
  }
}

TEST(Win32InteractionTest, QuestionsAnswerWithTheButtonPressed) {
  using core::DriveInUseAnswer;
  using core::WidgetEngineAnswer;
  using core::WidgetModel;
  Win32Interaction user;
  struct Case {
    const char* name;
    std::function<void(HWND)> act;
    std::function<void()> askAndCheck;
  };
  const Case cases[] = {
      {"drive in use: OK", [](HWND d) { Click(d, forms::drive_in_use::kOk); },
       [&] { EXPECT_EQ(user.AskDriveInUse(), DriveInUseAnswer::UseIt); }},
      {"drive in use: Esc", PressEscape, [&] { EXPECT_EQ(user.AskDriveInUse(), DriveInUseAnswer::Keep); }},
      {"widget engine: Download", [](HWND d) { Click(d, forms::widget_engine::kDownload); },
       [&] { EXPECT_EQ(user.AskWidgetEngine(), WidgetEngineAnswer::Download); }},
      {"widget engine: Esc", PressEscape,
       [&] { EXPECT_EQ(user.AskWidgetEngine(), WidgetEngineAnswer::Next); }},
      {"model: KVR-220 and OK",
       [](HWND d) {
         Click(d, forms::model_pick::kKvr400);
         Click(d, forms::model_pick::kKvr220);
         Click(d, forms::model_pick::kOk);
       },
       [&] { EXPECT_EQ(user.AskModelPick(), WidgetModel::Kvr220); }},
      {"model: none checked", [](HWND d) { Click(d, forms::model_pick::kOk); },
       [&] { EXPECT_EQ(user.AskModelPick(), std::nullopt); }},
      {"model: Cancel",
       [](HWND d) {
         Click(d, forms::model_pick::kKvr210);
         Click(d, forms::model_pick::kCancel);
       },
       [&] { EXPECT_EQ(user.AskModelPick(), std::nullopt); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UserScript script(c.act);
    c.askAndCheck();
  }
}

TEST(Win32InteractionTest, LanguageRefusesWhatTheFirmwareCannotTake) {
  using namespace forms::language;
  std::vector<core::UserMessage> shown;
  Win32Interaction user(nullptr, [&](const core::UserMessage& m) { shown.push_back(m); });
  const core::UserMessage refusal = *core::LanguageRefusal(3, false);
  {
    UserScript script([&](HWND dialog) {
      const HWND list = GetDlgItem(dialog, kLanguageList);
      EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), core::kLanguageCount);
      EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);
      Choose(dialog, kLanguageList, 3);
      EXPECT_EQ(shown.size(), 1u);
      Click(dialog, kOk);
      EXPECT_EQ(shown.size(), 2u);
      EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused language was accepted";
      Choose(dialog, kLanguageList, 6);
      Click(dialog, kOk);
    });
    EXPECT_EQ(user.AskLanguage({2, false}), 6);
    ASSERT_EQ(shown.size(), 2u);
    for (const core::UserMessage& m : shown) {
      EXPECT_EQ(m.text, refusal.text);
      EXPECT_EQ(m.caption, refusal.caption);
    }
  }
  shown.clear();
  {
    // A device that takes every code page refuses nothing.
    UserScript script([](HWND dialog) {
      Choose(dialog, kLanguageList, 4);
      Click(dialog, kOk);
    });
    EXPECT_EQ(user.AskLanguage({0, true}), 4);
    EXPECT_TRUE(shown.empty());
  }
  {
    UserScript script(PressEscape);
    EXPECT_EQ(user.AskLanguage({2, false}), std::nullopt);
  }
}

// Tries to close the dialog every way a user could.
void TryToClose(HWND dialog) {
  PressEscape(dialog);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(Win32InteractionTest, LoadingRunsTheWorkOnAWorkerAfterTheDelayWhileTheDialogPaints) {
  Win32Interaction user;
  HWND loading = nullptr;
  UserScript script([&](HWND dialog) {
    loading = dialog;
    TryToClose(dialog);
  });
  const DWORD windowThread = GetCurrentThreadId();
  DWORD workThread = 0;
  bool pumped = false;
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration before{};
  user.RunLoading(300ms, [&] {
    before = std::chrono::steady_clock::now() - start;
    workThread = GetCurrentThreadId();
    // Answered only while the window's thread dispatches messages.
    DWORD_PTR ignored;
    pumped = SendMessageTimeoutW(loading, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored) != 0;
    std::this_thread::sleep_for(50ms);
  });
  EXPECT_NE(loading, nullptr);
  EXPECT_GE(before, 300ms);
  EXPECT_NE(workThread, 0u);
  EXPECT_NE(workThread, windowThread);
  EXPECT_TRUE(pumped);
  EXPECT_FALSE(IsWindow(loading)) << "the dialog outlived the work";
}

TEST(Win32InteractionTest, RestartFillsTheBarRunsFilledAndClosesAfterTheTotal) {
  Win32Interaction user;
  struct Case {
    int steps;
    std::chrono::milliseconds total;
    int barWhenFilled;
  };
  // Filling outlasts the total, then the total outlasts filling.
  for (const Case& c : {Case{99, 100ms, 100}, Case{4, 800ms, 5}}) {
    HWND restart = nullptr;
    UserScript script([&](HWND dialog) {
      restart = dialog;
      TryToClose(dialog);
    });
    int filledRuns = 0;
    int bar = 0;
    const auto start = std::chrono::steady_clock::now();
    user.WaitRestart({c.steps, 1ms, c.total, [&] {
                        ++filledRuns;
                        bar = static_cast<int>(
                            SendMessageW(GetDlgItem(restart, forms::restart::kProgress), PBM_GETPOS, 0, 0));
                      }});
    EXPECT_GE(std::chrono::steady_clock::now() - start, c.total);
    EXPECT_EQ(filledRuns, 1);
    EXPECT_EQ(bar, c.barWhenFilled);
    EXPECT_FALSE(IsWindow(restart));
  }
}

TEST(Win32InteractionTest, BlockingWorkRunsOnAWorkerAndInputMeanwhileIsDropped) {
  Win32Interaction user;
  Dialog window(forms::LoginForm(), Frame::Main);
  ASSERT_NE(window.CreateModeless(nullptr), nullptr);
  const HWND edit = window.Control(forms::login::kUserName);
  PostMessageW(edit, WM_CHAR, L'x', 1);
  PostQuitMessage(3);  // for the loop outside, once the work is over

  const DWORD windowThread = GetCurrentThreadId();
  DWORD workThread = 0, innerThread = 0;
  bool pumped = false;
  bool busy = false;
  user.RunBlocking([&] {
    workThread = GetCurrentThreadId();
    DWORD_PTR ignored;
    pumped = SendMessageTimeoutW(window.window(), WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored) != 0;
    // A wait inside the work runs where it is.
    user.RunBlocking([&] { innerThread = GetCurrentThreadId(); });
    busy = SendMessageTimeoutW(window.window(), WM_SETCURSOR, 0, 0, SMTO_BLOCK, 5000, &ignored) && ignored;
  });
  EXPECT_NE(workThread, windowThread);
  EXPECT_EQ(innerThread, workThread);
  EXPECT_TRUE(pumped);
  EXPECT_TRUE(busy) << "the window did not show the wait cursor";
  EXPECT_EQ(WindowText(edit), L"") << "typing reached the window while it was busy";
  MSG quit;
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
  EXPECT_FALSE(Busy());
}

}  // namespace
}  // namespace kfw::win32
