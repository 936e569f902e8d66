#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/console.h"
#include "platform/secret.h"
#include "platform/windows/wide_text.h"

namespace kfw::platform {
namespace {

void (*stopHandler)() = nullptr;

BOOL WINAPI CallStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  if (stopHandler) stopHandler();
  return TRUE;
}

// The console's input mode while a prompt has echo off, for the interrupt
// handler to put back before the program ends.
HANDLE promptInput = INVALID_HANDLE_VALUE;
DWORD savedMode = 0;

UINT savedCodePage = 0;

BOOL WINAPI RestoreEcho(DWORD) {
  SetConsoleMode(promptInput, savedMode);
  return FALSE;  // the next handler (or the system) ends the program
}

}  // namespace

std::vector<std::string> CommandArguments(int argc, char** argv) {
  // argv is in the ANSI code page, which cannot hold every name.
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
  } else {
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  }
  // The console's code page outlives the program: the one it had comes back
  // when the program ends.
  if (const UINT previous = GetConsoleOutputCP(); previous != 0 && previous != CP_UTF8) {
    savedCodePage = previous;
    SetConsoleOutputCP(CP_UTF8);
    std::atexit([] { SetConsoleOutputCP(savedCodePage); });
  }
  return arguments;
}

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
bool ErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void OnInterrupt(void (*stop)()) {
  stopHandler = stop;
  SetConsoleCtrlHandler(CallStop, TRUE);
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  promptInput = GetStdHandle(STD_INPUT_HANDLE);
  if (promptInput == INVALID_HANDLE_VALUE || !GetConsoleMode(promptInput, &savedMode)) return std::nullopt;
  std::cerr << prompt << std::flush;
  SetConsoleCtrlHandler(RestoreEcho, TRUE);
  SetConsoleMode(promptInput, savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  auto line = ReadSecretLine(0);
  SetConsoleMode(promptInput, savedMode);
  SetConsoleCtrlHandler(RestoreEcho, FALSE);
  std::cerr << "\n";
  return line;
}

std::optional<std::string> ReadSecretLine(int fd) {
  // Binary, so the console's "\r\n" arrives as typed and is dropped below.
  const int oldMode = _setmode(fd, _O_BINARY);
  std::string line;
  bool began = false;
  for (;;) {
    char c = 0;
    if (_read(fd, &c, 1) != 1) break;
    began = true;
    if (c == '\n') break;
    AppendSecret(line, c);
  }
  if (oldMode != -1) _setmode(fd, oldMode);
  if (!began) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kfw::platform
