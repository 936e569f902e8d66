#pragma once
// The findway command's side of core::Interaction: messages go to standard
// error in the window's words, questions are answered from the command's
// options, a password comes from standard input or a prompt without echo,
// and the restart wait draws a text bar.

#include <iosfwd>
#include <optional>
#include <string>

#include "core/interaction.h"
#include "platform/clock.h"

namespace kfw::cli {

// Where the Login dialog's password comes from.
class PasswordSource {
 public:
  virtual ~PasswordSource() = default;
  // The password for `prompt`, or nothing when none can be had (the Login
  // dialog's Cancel).
  virtual std::optional<std::string> Read(const std::string& prompt) = 0;
};

// --password-stdin: one line of descriptor `in`, once, read past no stream
// buffer; its line end dropped.
class StreamPassword final : public PasswordSource {
 public:
  explicit StreamPassword(int in) : in_(in) {}
  std::optional<std::string> Read(const std::string& prompt) override;

 private:
  int in_;
  bool used_ = false;
};

// A prompt on the terminal (standard input and standard error) with echo
// off; nothing when standard input is not a terminal.
class TerminalPassword final : public PasswordSource {
 public:
  std::optional<std::string> Read(const std::string& prompt) override;
};

struct TerminalAnswers {
  std::string device;                    // named in the password prompts
  std::optional<std::string> shareUser;  // map --user
  bool force = false;                    // map --force
  int language = -1;                     // install-language
  bool progressBar = false;              // standard error is a terminal
};

class TerminalInteraction final : public core::Interaction {
 public:
  TerminalInteraction(TerminalAnswers answers, PasswordSource& passwords, std::ostream& err,
                      platform::Clock& clock)
      : answers_(std::move(answers)), passwords_(passwords), err_(err), clock_(clock) {}

  void Message(const core::UserMessage& message) override;
  void Note(const std::string& detail) override;
  std::optional<core::Credentials> AskLogin(const core::LoginQuestion& question) override;
  core::DriveInUseAnswer AskDriveInUse() override;
  core::WidgetEngineAnswer AskWidgetEngine() override { return core::WidgetEngineAnswer::Next; }
  std::optional<core::WidgetModel> AskModelPick() override { return std::nullopt; }
  std::optional<int> AskLanguage(const core::LanguageQuestion& question) override;
  void RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) override;
  void WaitRestart(const core::RestartWait& wait) override;
  void RunBlocking(const std::function<void()>& work) override { work(); }
  // A password longer than a device takes was given: the command ends
  // there, sending nothing more, as bad input.
  bool passwordTooLong() const { return passwordTooLong_; }
  bool Abandoned() const override { return passwordTooLong_; }

 private:
  TerminalAnswers answers_;
  PasswordSource& passwords_;
  std::ostream& err_;
  platform::Clock& clock_;
  bool languageGiven_ = false;
  bool passwordTooLong_ = false;
};

// Overwrites a secret's bytes before it is let go.
void Wipe(std::string& secret);

}  // namespace kfw::cli
