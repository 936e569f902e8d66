#include "platform/windows/windows_programs.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <vector>

#include "platform/windows/wide_text.h"

namespace kfw::platform {
namespace {

constexpr int kAccessDenied = 5;
constexpr int kOutOfMemory = 8;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A string value of the registry (REG_EXPAND_SZ expanded); nothing when the
// key or value is missing or of another type.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* value) {
  DWORD size = 0;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(text.data());
}

std::wstring OpenCommandKey(const std::wstring& progId) { return progId + L"\\shell\\open\\command"; }

// A class key as HKEY_CLASSES_ROOT shows it: the user's own registration
// first, then the machine's. Read in that order here, as not every system
// merges the user's classes into HKEY_CLASSES_ROOT.
std::optional<std::wstring> ReadClassString(const std::wstring& key) {
  if (auto user = ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\" + key, nullptr)) return user;
  return ReadString(HKEY_CLASSES_ROOT, key, nullptr);
}

// The program a command line starts: its first argument, unquoted.
std::string ProgramOf(std::string_view commandLine) {
  std::size_t i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const std::size_t close = commandLine.find('"', i + 1);
    return std::string(commandLine.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
  }
  std::size_t end = i;
  while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
  return std::string(commandLine.substr(i, end - i));
}

// A path that names nothing: 3 when the folder it names is missing too.
int NotFoundAnswer(const std::string& path) {
  const std::wstring wide = Widen(path);
  const auto slash = wide.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return kStartNotFound;
  const DWORD folder = GetFileAttributesW(wide.substr(0, slash + 1).c_str());
  return folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) ? kStartNotFound
                                                                                  : kStartPathNotFound;
}

}  // namespace

std::string RemovePlaceholders(std::string_view command) {
  std::string out;
  std::size_t i = 0;
  while (i < command.size()) {
    while (i < command.size() && IsBlank(command[i])) ++i;
    if (i == command.size()) break;
    // One argument: up to the next blank outside quotes.
    const std::size_t start = i;
    bool quoted = false;
    while (i < command.size() && (quoted || !IsBlank(command[i]))) {
      if (command[i] == '"') quoted = !quoted;
      ++i;
    }
    const std::string_view arg = command.substr(start, i - start);
    const std::string_view bare = arg.size() >= 2 && arg.front() == '"' && arg.back() == '"'
                                      ? arg.substr(1, arg.size() - 2)
                                      : arg;
    if (bare == "%1" || bare == "%L" || bare == "%l" || bare == "%*") continue;
    if (!out.empty()) out += ' ';
    out += arg;
  }
  return out;
}

int WindowsProgramStarter::Run(const std::string& commandLine, bool shown) {
  // CreateProcessW may write into the command line it is given.
  std::wstring line = Widen(commandLine);
  if (line.empty()) return kStartNotFound;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(shown ? SW_SHOWNORMAL : SW_HIDE);
  PROCESS_INFORMATION process{};
  const DWORD creation = shown ? 0 : CREATE_NO_WINDOW;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, creation, nullptr, nullptr, &startup,
                     &process)) {
    // Not waited for: the program runs on by itself.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kStartOk;
  }
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return NotFoundAnswer(ProgramOf(commandLine));
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_NAME: return kStartPathNotFound;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH: return kStartBadFormat;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return kOutOfMemory;
    default: return kAccessDenied;
  }
}

int WindowsProgramStarter::Open(const std::string& file) {
  if (file.empty()) return kStartNotFound;
  const auto answer = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Widen(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (answer > 32) return kStartOk;
  // Some systems say "file not found" where the folder is missing as well.
  if (answer == kStartNotFound) return NotFoundAnswer(file);
  // 0 is the system out of memory or resources.
  return answer == 0 ? kOutOfMemory : static_cast<int>(answer);
}

WindowsDefaultBrowser::WindowsDefaultBrowser(std::wstring userChoiceKey)
    : userChoiceKey_(std::move(userChoiceKey)) {}

std::string WindowsDefaultBrowser::KeyName() {
  if (const auto progId = ReadString(HKEY_CURRENT_USER, userChoiceKey_, L"ProgId"); progId && !progId->empty())
    return Narrow(*progId);
  if (ReadClassString(OpenCommandKey(L"http"))) return "http";
  return {};
}

std::string WindowsDefaultBrowser::CommandLine(const std::string& keyName) {
  if (keyName.empty()) return {};
  const auto command = ReadClassString(OpenCommandKey(Widen(keyName)));
  return command ? RemovePlaceholders(Narrow(*command)) : std::string();
}

}  // namespace kfw::platform
