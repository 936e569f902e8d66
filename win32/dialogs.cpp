#include "win32/dialogs.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/addon_install.h"
#include "forms/about_form.h"
#include "forms/addon_forms.h"
#include "forms/drive_in_use_form.h"
#include "forms/login_form.h"
#include "forms/widget_forms.h"
#include "platform/windows/wide_text.h"
#include "win32/busy.h"

namespace kfw::win32 {
namespace {

// The About box shows the table's version line: it must be the one the
// program is built as, which the version resource carries too.
static_assert(std::string_view(forms::kVersionLine) == "Version : " KFW_VERSION,
              "forms::kVersionLine differs from the project's version");

// Bytes `text` takes in UTF-8, the form it leaves the program in.
std::size_t Utf8Size(std::wstring_view text) {
  if (text.empty()) return 0;
  return static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                      nullptr, 0, nullptr, nullptr));
}

UINT TimerPeriod(std::chrono::milliseconds period) {
  return static_cast<UINT>(std::clamp<long long>(period.count(), USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM));
}

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT_PTR kStepTimer = 2;
constexpr UINT_PTR kTotalTimer = 3;

}  // namespace

HICON AppIcon(bool small) {
  // Loaded once for the program's life: a shared image would be handed out
  // at whichever size was asked for first.
  const auto load = [](int metric) {
    const int size = GetSystemMetrics(metric);
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, size, size, 0));
  };
  static const HICON large = load(SM_CXICON);
  static const HICON smallIcon = load(SM_CXSMICON);
  return small ? smallIcon : large;
}

// Login ----------------------------------------------------------------------

LoginDialog::LoginDialog(const core::LoginQuestion& question)
    : Dialog(forms::LoginForm(), Frame::Closable), question_(question) {}

bool LoginDialog::OnInit() {
  using namespace forms::login;
  const HWND user = Control(kUserName);
  const HWND password = Control(kPassword);
  for (HWND edit : {user, password}) SendMessageW(edit, EM_LIMITTEXT, core::kLoginTextMax, 0);
  // A fixed name ("admin", or the logged-on user the system imposes) is
  // shown greyed and the password is asked for; otherwise both are.
  const std::optional<std::string>& fixed = question_.fixedUser;
  filling_ = true;
  SetWindowTextUtf8(user, fixed ? *fixed : std::string());
  SetWindowTextW(password, L"");
  filling_ = false;
  EnableWindow(user, !fixed);
  SetFocus(fixed ? password : user);
  return false;
}

// The credentials are 16-byte texts: what would make a text longer is
// taken out again, so what is typed is what is sent. The characters just
// typed or pasted are those before the caret.
void LoginDialog::KeepWithinLimit(HWND edit) {
  std::wstring text = WindowText(edit);
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::size_t caret = std::min<std::size_t>(end, text.size());
  bool cut = false;
  while (caret > 0 && Utf8Size(text) > core::kLoginTextMax) {
    const bool pair = caret >= 2 && IS_LOW_SURROGATE(text[caret - 1]) && IS_HIGH_SURROGATE(text[caret - 2]);
    const std::size_t count = pair ? 2 : 1;
    text.erase(caret - count, count);
    caret -= count;
    cut = true;
  }
  if (cut) {
    filling_ = true;
    SetWindowTextW(edit, text.c_str());
    filling_ = false;
    SendMessageW(edit, EM_SETSEL, caret, caret);
    MessageBeep(MB_OK);
  }
  WipeText(text);
}

bool LoginDialog::OnCommand(int id, int code) {
  using namespace forms::login;
  switch (id) {
    case kUserName:
    case kPassword:
      if (code == EN_CHANGE && !filling_) KeepWithinLimit(Control(id));
      return true;
    case kOk: {
      std::wstring user = WindowText(Control(kUserName));
      std::wstring password = WindowText(Control(kPassword));
      std::string narrowPassword = platform::Narrow(password);
      answer_ = core::Credentials{platform::Narrow(user), platform::Secret(narrowPassword)};
      platform::WipeSecret(narrowPassword);
      WipeText(password);
      // The caller tells good credentials from bad by its own check, so OK
      // only closes the dialog, as Cancel does.
      End(IDOK);
      return true;
    }
    case kCancel:
      End(IDCANCEL);
      return true;
    default:
      return false;
  }
}

// The plain questions ----------------------------------------------------------

DriveInUseDialog::DriveInUseDialog() : Dialog(forms::DriveInUseForm(), Frame::CaptionOnly) {}

bool DriveInUseDialog::OnCommand(int id, int) {
  using namespace forms::drive_in_use;
  if (id != kOk && id != kCancel) return false;
  answer_ = id == kOk ? core::DriveInUseAnswer::UseIt : core::DriveInUseAnswer::Keep;
  End(id);
  return true;
}

WidgetEngineDialog::WidgetEngineDialog() : Dialog(forms::WidgetEngineForm(), Frame::CaptionOnly) {}

bool WidgetEngineDialog::OnCommand(int id, int) {
  using namespace forms::widget_engine;
  // "Next" has Cancel's id, so Esc is "Next".
  if (id != kDownload && id != kNext) return false;
  answer_ = id == kDownload ? core::WidgetEngineAnswer::Download : core::WidgetEngineAnswer::Next;
  End(id);
  return true;
}

ModelPickDialog::ModelPickDialog() : Dialog(forms::ModelPickForm(), Frame::CaptionOnly) {}

bool ModelPickDialog::OnCommand(int id, int) {
  using namespace forms::model_pick;
  if (id != kOk && id != kCancel) return false;
  answer_.reset();
  if (id == kOk) {
    const std::pair<int, core::WidgetModel> models[] = {{kKvr210, core::WidgetModel::Kvr210},
                                                        {kKvr220, core::WidgetModel::Kvr220},
                                                        {kKvr400, core::WidgetModel::Kvr400}};
    for (const auto& [button, model] : models) {
      if (IsDlgButtonChecked(window(), button) == BST_CHECKED) answer_ = model;
    }
  }
  End(id);
  return true;
}

// Language -------------------------------------------------------------------

LanguageDialog::LanguageDialog(const core::LanguageQuestion& question, MessageSink messages)
    : Dialog(forms::LanguageForm(), Frame::CaptionOnly),
      question_(question),
      messages_(std::move(messages)) {}

bool LanguageDialog::OnInit() {
  const HWND list = Control(forms::language::kLanguageList);
  for (int i = 0; i < core::kLanguageCount; ++i) {
    SendMessageW(list, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::Widen(core::LanguageText(i)).c_str()));
  }
  // Setting the choice sends no CBN_SELCHANGE: only the user's choices are checked.
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(question_.preselected), 0);
  return true;
}

bool LanguageDialog::OnCommand(int id, int code) {
  using namespace forms::language;
  const HWND list = Control(kLanguageList);
  switch (id) {
    case kLanguageList:
      if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
        if (auto refusal = core::LanguageRefusal(index, question_.allCodepages)) messages_(*refusal);
      }
      return true;
    case kOk: {
      const int index = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
      if (index < 0) return true;
      if (auto refusal = core::LanguageRefusal(index, question_.allCodepages)) {
        messages_(*refusal);
        return true;
      }
      answer_ = index;
      End(IDOK);
      return true;
    }
    case kCancel:
      End(IDCANCEL);
      return true;
    default:
      return false;
  }
}

// Loading --------------------------------------------------------------------

LoadingDialog::LoadingDialog(std::chrono::milliseconds delay, std::function<void()> work)
    : Dialog(forms::LoadingForm(), Frame::CaptionOnly), delay_(delay), work_(std::move(work)) {}

bool LoadingDialog::OnInit() {
  SetTimer(window(), kStartTimer, TimerPeriod(delay_), nullptr);
  return true;
}

INT_PTR LoadingDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_TIMER || wParam != kStartTimer) return FALSE;
  KillTimer(window(), kStartTimer);
  RunBusy(work_);
  End(IDOK);
  return TRUE;
}

// Restart --------------------------------------------------------------------

RestartDialog::RestartDialog(core::RestartWait wait)
    : Dialog(forms::RestartForm(), Frame::CaptionOnly), wait_(std::move(wait)) {}

bool RestartDialog::OnInit() {
  const HWND bar = Control(forms::restart::kProgress);
  SendMessageW(bar, PBM_SETRANGE32, 1, 100);
  SendMessageW(bar, PBM_SETPOS, 1, 0);
  SetTimer(window(), kStepTimer, TimerPeriod(wait_.stepInterval), nullptr);
  SetTimer(window(), kTotalTimer, TimerPeriod(wait_.total), nullptr);
  return true;
}

INT_PTR RestartDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_TIMER) return FALSE;
  if (wParam == kStepTimer) {
    Step();
  } else if (wParam == kTotalTimer) {
    KillTimer(window(), kTotalTimer);
    timeUp_ = true;
    CloseWhenBothEnded();
  }
  return TRUE;
}

void RestartDialog::Step() {
  if (stepsMade_ < wait_.steps) {
    ++stepsMade_;
    SendMessageW(Control(forms::restart::kProgress), PBM_SETPOS, static_cast<WPARAM>(1 + stepsMade_), 0);
  }
  if (stepsMade_ < wait_.steps) return;
  KillTimer(window(), kStepTimer);
  filled_ = true;
  // `filled` belongs to the command that waits, and runs on its thread.
  if (wait_.filled) wait_.filled();
  CloseWhenBothEnded();
}

void RestartDialog::CloseWhenBothEnded() {
  if (timeUp_ && filled_) End(IDOK);
}

// About ----------------------------------------------------------------------

AboutDialog::AboutDialog() : Dialog(forms::AboutForm(kAppIconName), Frame::Closable) {}

bool AboutDialog::OnInit() {
  SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon(false)));
  SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon(true)));
  return true;
}

bool AboutDialog::OnCommand(int id, int) {
  if (id != IDOK && id != IDCANCEL) return false;
  End(IDOK);
  return true;
}

}  // namespace kfw::win32
