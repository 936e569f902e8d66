#include <errno.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/console.h"
#include "platform/secret.h"

namespace kfw::platform {
namespace {

// The terminal's settings while a prompt has echo off, for the interrupt
// handler to put back.
struct termios savedTerminal;
struct sigaction savedInterrupt;

void RestoreEchoAndStop(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  sigaction(signal, &savedInterrupt, nullptr);
  raise(signal);
}

void (*stopHandler)() = nullptr;

void CallStop(int) {
  if (stopHandler) stopHandler();
}

}  // namespace

std::vector<std::string> CommandArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

bool InputIsTerminal() { return isatty(STDIN_FILENO) == 1; }
bool ErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void OnInterrupt(void (*stop)()) {
  stopHandler = stop;
  struct sigaction action{};
  action.sa_handler = CallStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return std::nullopt;
  std::cerr << prompt << std::flush;
  struct termios quiet = savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  struct sigaction restore{};
  restore.sa_handler = RestoreEchoAndStop;
  sigaction(SIGINT, &restore, &savedInterrupt);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  auto line = ReadSecretLine(STDIN_FILENO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  sigaction(SIGINT, &savedInterrupt, nullptr);
  std::cerr << "\n";
  return line;
}

std::optional<std::string> ReadSecretLine(int fd) {
  std::string line;
  bool began = false;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    began = true;
    if (c == '\n') break;
    AppendSecret(line, c);
  }
  if (!began) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kfw::platform
