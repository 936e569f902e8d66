#include "cli/terminal_interaction.h"

#include <algorithm>
#include <iostream>

#include "core/addon_install.h"
#include "platform/console.h"
#include "platform/secret.h"
#include "protocol/safe_text.h"

namespace kfw::cli {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

void Wipe(std::string& secret) {
  // Also the bytes past the end a shorter value left behind.
  platform::WipeSecret(secret);
}

std::optional<std::string> StreamPassword::Read(const std::string&) {
  if (used_) return std::nullopt;
  used_ = true;
  return platform::ReadSecretLine(in_);
}

std::optional<std::string> TerminalPassword::Read(const std::string& prompt) {
  return platform::ReadHiddenLine(prompt);
}

void TerminalInteraction::Message(const core::UserMessage& message) {
  if (passwordTooLong_) return;  // the length was the last word
  if (!message.caption.empty()) err_ << message.caption << ": ";
  err_ << message.text << "\n" << std::flush;
  if (!message.detail.empty()) Note(message.detail);
}

void TerminalInteraction::Note(const std::string& detail) {
  // The reason may quote a device's or a file server's words.
  err_ << "findway: " << protocol::ReasonText(detail) << "\n" << std::flush;
}

std::optional<core::Credentials> TerminalInteraction::AskLogin(const core::LoginQuestion& question) {
  core::Credentials typed;
  if (question.loginMode == core::LoginMode::Administrator) {
    typed.user = question.fixedUser.value_or("admin");
  } else if (answers_.shareUser) {
    typed.user = *answers_.shareUser;
  } else {
    // Nobody to connect as but a guest, which the command has tried.
    return std::nullopt;
  }
  auto password = passwords_.Read("Password of " + typed.user + " on " + answers_.device + ": ");
  if (!password) return std::nullopt;
  if (password->size() > core::kLoginTextMax) {
    // Cut to fit, it would only be refused as a wrong password.
    err_ << "findway: a password holds at most " << core::kLoginTextMax << " bytes; the one given has "
         << password->size() << "\n";
    Wipe(*password);
    passwordTooLong_ = true;
    return std::nullopt;
  }
  typed.password = *password;
  Wipe(*password);
  return typed;
}

core::DriveInUseAnswer TerminalInteraction::AskDriveInUse() {
  err_ << "The drive letter has been used."
       << (answers_.force ? " Its connection is replaced (--force).\n"
                          : " Give --force to replace its connection.\n");
  return answers_.force ? core::DriveInUseAnswer::UseIt : core::DriveInUseAnswer::Keep;
}

std::optional<int> TerminalInteraction::AskLanguage(const core::LanguageQuestion&) {
  // The language named on the command line, once: a language the device
  // refuses ends the command instead of asking again.
  if (languageGiven_ || answers_.language < 0) return std::nullopt;
  languageGiven_ = true;
  err_ << "Language: " << core::LanguageText(answers_.language) << " (" << core::LanguageCodepage(answers_.language)
       << ")\n";
  return answers_.language;
}

void TerminalInteraction::RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) {
  err_ << "Loading...\n" << std::flush;
  clock_.Sleep(delay);
  work();
}

void TerminalInteraction::WaitRestart(const core::RestartWait& wait) {
  const platform::SteadyTime start = clock_.Now();
  const int steps = std::max(wait.steps, 1);
  int lastTenth = 0;
  const auto draw = [&](int percent) {
    if (answers_.progressBar) {
      const int filled = percent * kBarWidth / 100;
      err_ << "\rThe device is restarting [" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ')
           << "] " << percent << "%" << std::flush;
    } else if (percent / 10 > lastTenth) {
      // Plain lines for a log: one every tenth of the way.
      lastTenth = percent / 10;
      err_ << "The device is restarting: " << percent << "%\n" << std::flush;
    }
  };
  if (!answers_.progressBar) err_ << "The device is restarting: 1%\n";
  draw(1);
  for (int step = 1; step <= steps; ++step) {
    clock_.Sleep(wait.stepInterval);
    draw(1 + 99 * step / steps);
  }
  if (wait.filled) wait.filled();
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - start);
  if (spent < wait.total) clock_.Sleep(wait.total - spent);
  if (answers_.progressBar) err_ << "\n";
  err_ << "The device has restarted.\n" << std::flush;
}

}  // namespace kfw::cli
