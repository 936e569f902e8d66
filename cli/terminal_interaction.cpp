#include "cli/terminal_interaction.h"

#include <signal.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "core/addon_install.h"

namespace kfw::cli {
namespace {

constexpr int kBarWidth = 40;

// The terminal's settings while a prompt has echo off, for the interrupt
// handler to put back.
struct termios savedTerminal;
struct sigaction savedInterrupt;

void RestoreEchoAndStop(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  sigaction(signal, &savedInterrupt, nullptr);
  raise(signal);
}

}  // namespace

void Wipe(std::string& secret) {
  // Also the bytes past the end a shorter value left behind.
  secret.resize(secret.capacity());
  explicit_bzero(secret.data(), secret.size());
  secret.clear();
}

std::optional<std::string> StreamPassword::Read(const std::string&) {
  if (used_) return std::nullopt;
  used_ = true;
  std::string line;
  if (!std::getline(in_, line) && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> TerminalPassword::Read(const std::string& prompt) {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return std::nullopt;
  std::cerr << prompt << std::flush;
  struct termios quiet = savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  struct sigaction restore{};
  restore.sa_handler = RestoreEchoAndStop;
  sigaction(SIGINT, &restore, &savedInterrupt);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  sigaction(SIGINT, &savedInterrupt, nullptr);
  std::cerr << "\n";
  if (!read) {
    Wipe(line);
    return std::nullopt;
  }
  return line;
}

void TerminalInteraction::Message(const core::UserMessage& message) {
  if (!message.caption.empty()) err_ << message.caption << ": ";
  err_ << message.text << "\n" << std::flush;
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
  typed.password = *password;
  Wipe(*password);
  return typed;
}

bool TerminalInteraction::AskDriveInUse() {
  err_ << "The drive letter has been used."
       << (answers_.force ? " Its connection is replaced (--force).\n"
                          : " Give --force to replace its connection.\n");
  return answers_.force;
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
