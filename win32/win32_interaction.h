#pragma once
// The window's answers to what a command asks: message boxes and the
// dialogs, modal over the window, and the busy wait for the exchanges.

#include <windows.h>

#include "core/interaction.h"
#include "win32/dialogs.h"

namespace kfw::win32 {

// The caption of a message that has none of its own.
inline constexpr const char* kProgramName = "Korvex Findway Utility";

// A message as a message box modal over `owner`: its caption (the
// program's name when it has none), text and icon, one OK button, and the
// reason underneath on a paragraph of its own after the text.
void ShowMessageBox(HWND owner, const core::UserMessage& message);

class Win32Interaction final : public core::Interaction {
 public:
  // Construct on the window's thread. `owner`: the window the dialogs are
  // modal over (may be set later). `messages`: where Message and the
  // dialogs' own messages go; by default ShowMessageBox over the owner.
  explicit Win32Interaction(HWND owner = nullptr, MessageSink messages = {});
  Win32Interaction(const Win32Interaction&) = delete;
  Win32Interaction& operator=(const Win32Interaction&) = delete;

  void SetOwner(HWND owner) { owner_ = owner; }

  void Message(const core::UserMessage& message) override;
  // For a developer's debugger (OutputDebugString) and a terminal the
  // program was started from.
  void Note(const std::string& detail) override;
  std::optional<core::Credentials> AskLogin(const core::LoginQuestion& question) override;
  core::DriveInUseAnswer AskDriveInUse() override;
  core::WidgetEngineAnswer AskWidgetEngine() override;
  std::optional<core::WidgetModel> AskModelPick() override;
  std::optional<int> AskLanguage(const core::LanguageQuestion& question) override;
  void RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) override;
  void WaitRestart(const core::RestartWait& wait) override;
  // On the window's thread, RunBusy; on a worker (a wait inside another),
  // the work itself.
  void RunBlocking(const std::function<void()>& work) override;

 private:
  HWND owner_;
  MessageSink messages_;
  DWORD windowThread_;
};

}  // namespace kfw::win32
