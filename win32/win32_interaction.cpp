#include "win32/win32_interaction.h"

#include <iostream>

#include "platform/windows/wide_text.h"
#include "protocol/safe_text.h"
#include "win32/busy.h"

namespace kfw::win32 {
namespace {

UINT IconOf(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::Stop:
      return MB_ICONSTOP;
    case core::MessageIcon::Exclamation:
      return MB_ICONEXCLAMATION;
    case core::MessageIcon::Information:
      return MB_ICONINFORMATION;
    case core::MessageIcon::None:
      break;
  }
  return 0;
}

}  // namespace

void ShowMessageBox(HWND owner, const core::UserMessage& message) {
  std::string text = message.text;
  // A message box has no details to unfold: the reason follows the text.
  if (!message.detail.empty()) text += "\n\n" + protocol::ReasonText(message.detail);
  const std::wstring caption = platform::Widen(message.caption.empty() ? kProgramName : message.caption);
  MessageBoxW(owner, platform::Widen(text).c_str(), caption.c_str(),
              MB_OK | IconOf(message.icon) | (owner ? MB_APPLMODAL : MB_TASKMODAL));
}

Win32Interaction::Win32Interaction(HWND owner, MessageSink messages)
    : owner_(owner), messages_(std::move(messages)), windowThread_(GetCurrentThreadId()) {
  if (!messages_) messages_ = [this](const core::UserMessage& message) { ShowMessageBox(owner_, message); };
}

void Win32Interaction::Message(const core::UserMessage& message) { messages_(message); }

void Win32Interaction::Note(const std::string& detail) {
  const std::string line = "korvex-findway: " + protocol::ReasonText(detail) + "\n";
  OutputDebugStringW(platform::Widen(line).c_str());
  std::cerr << line << std::flush;
}

std::optional<core::Credentials> Win32Interaction::AskLogin(const core::LoginQuestion& question) {
  LoginDialog dialog(question);
  dialog.RunModal(owner_);
  return dialog.answer();
}

core::DriveInUseAnswer Win32Interaction::AskDriveInUse() {
  DriveInUseDialog dialog;
  dialog.RunModal(owner_);
  return dialog.answer();
}

core::WidgetEngineAnswer Win32Interaction::AskWidgetEngine() {
  WidgetEngineDialog dialog;
  dialog.RunModal(owner_);
  return dialog.answer();
}

std::optional<core::WidgetModel> Win32Interaction::AskModelPick() {
  ModelPickDialog dialog;
  dialog.RunModal(owner_);
  return dialog.answer();
}

std::optional<int> Win32Interaction::AskLanguage(const core::LanguageQuestion& question) {
  LanguageDialog dialog(question, messages_);
  dialog.RunModal(owner_);
  return dialog.answer();
}

void Win32Interaction::RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) {
  LoadingDialog dialog(delay, work);
  // A dialog the system could not make still leaves the command its work.
  if (dialog.RunModal(owner_) == -1) RunBusy(work);
}

void Win32Interaction::WaitRestart(const core::RestartWait& wait) {
  RestartDialog dialog(wait);
  if (dialog.RunModal(owner_) == -1 && wait.filled) wait.filled();
}

void Win32Interaction::RunBlocking(const std::function<void()>& work) {
  if (GetCurrentThreadId() != windowThread_) {
    work();
    return;
  }
  RunBusy(work);
}

}  // namespace kfw::win32
