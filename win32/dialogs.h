#pragma once
// The modal dialogs a command opens, each built from its forms/ table and
// answering as the Qt window's dialog of the same name does. Each keeps its
// answer(), set when it closes.

#include <chrono>
#include <functional>
#include <optional>

#include "core/interaction.h"
#include "core/user_message.h"
#include "win32/dialog.h"

namespace kfw::win32 {

// Where a dialog's own messages go (the Language dialog's refusals): a
// message box in the program, a record in tests.
using MessageSink = std::function<void(const core::UserMessage&)>;

// User name and password, each at most core::kLoginTextMax bytes. A fixed
// user name is shown greyed and only the password is asked for.
class LoginDialog final : public Dialog {
 public:
  explicit LoginDialog(const core::LoginQuestion& question);
  // What was typed when OK was pressed; nothing after Cancel or a close.
  const std::optional<core::Credentials>& answer() const { return answer_; }

 private:
  bool OnInit() override;
  bool OnCommand(int id, int code) override;
  void KeepWithinLimit(HWND edit);

  core::LoginQuestion question_;
  std::optional<core::Credentials> answer_;
  bool filling_ = false;
};

class DriveInUseDialog final : public Dialog {
 public:
  DriveInUseDialog();
  // OK: use it; Cancel, Esc: keep.
  core::DriveInUseAnswer answer() const { return answer_; }

 private:
  bool OnCommand(int id, int code) override;
  core::DriveInUseAnswer answer_ = core::DriveInUseAnswer::Keep;
};

class WidgetEngineDialog final : public Dialog {
 public:
  WidgetEngineDialog();
  // "Download", or "Next" (also Esc).
  core::WidgetEngineAnswer answer() const { return answer_; }

 private:
  bool OnCommand(int id, int code) override;
  core::WidgetEngineAnswer answer_ = core::WidgetEngineAnswer::Next;
};

class ModelPickDialog final : public Dialog {
 public:
  ModelPickDialog();
  // The checked model at OK; nothing for Cancel, Esc or no model checked.
  std::optional<core::WidgetModel> answer() const { return answer_; }

 private:
  bool OnCommand(int id, int code) override;
  std::optional<core::WidgetModel> answer_;
};

// The language list; an entry the device's firmware cannot take is refused
// with its message when chosen and again at OK, which then leaves the
// dialog open.
class LanguageDialog final : public Dialog {
 public:
  LanguageDialog(const core::LanguageQuestion& question, MessageSink messages);
  // The language accepted at OK; nothing after Cancel or Esc.
  std::optional<int> answer() const { return answer_; }

 private:
  bool OnInit() override;
  bool OnCommand(int id, int code) override;

  core::LanguageQuestion question_;
  MessageSink messages_;
  std::optional<int> answer_;
};

// The Loading notice: `delay` after it appears, `work` runs on a worker
// thread while the dialog goes on painting, and the dialog closes when the
// work has ended. The user cannot close it: it has no button, and Enter,
// Esc and a close request end no dialog that does not take them.
class LoadingDialog final : public Dialog {
 public:
  LoadingDialog(std::chrono::milliseconds delay, std::function<void()> work);

 private:
  bool OnInit() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::chrono::milliseconds delay_;
  std::function<void()> work_;
};

// The restart wait: a timer fills the bar from 1 to 100 in wait.steps
// steps, `filled` runs once the last step is made, and the dialog closes
// when wait.total has passed and the bar is full. The user cannot close it.
class RestartDialog final : public Dialog {
 public:
  explicit RestartDialog(core::RestartWait wait);

 private:
  bool OnInit() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Step();
  void CloseWhenBothEnded();

  core::RestartWait wait_;
  int stepsMade_ = 0;
  bool filled_ = false;
  bool timeUp_ = false;
};

// The program's icon, name, legal notice and version.
class AboutDialog final : public Dialog {
 public:
  AboutDialog();

 private:
  bool OnInit() override;
  bool OnCommand(int id, int code) override;
};

// The program's icon at the system's large or small icon size, kept for the
// program's life. Null when the program was linked without its resources.
HICON AppIcon(bool small);

}  // namespace kfw::win32
