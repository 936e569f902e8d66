#pragma once
// Starting programs and the default browser on Windows: a command line goes
// to CreateProcess as it is (no shell, no console window of its own when
// hidden), a file is opened with ShellExecute's "open", and the default
// browser is the http handler the user chose (its ProgId) with the open
// command registered for it.

#include <string>
#include <string_view>

#include "platform/programs.h"

namespace kfw::platform {

// A registered open command without its placeholders for the address
// ("%1", "%L", "%*", quoted or not); blanks left over are collapsed.
std::string RemovePlaceholders(std::string_view command);

class WindowsProgramStarter final : public ProgramStarter {
 public:
  // kStartOk, or 2 (not found), 3 (folder not found), 11 (not a program),
  // 5 or 8 for other failures, from the system's error.
  int Run(const std::string& commandLine, bool shown) override;
  // ShellExecute's own answer: above 32 it started; 2, 3, 31 (nothing is
  // associated with the file's kind) and the rest otherwise.
  int Open(const std::string& file) override;
};

class WindowsDefaultBrowser final : public DefaultBrowser {
 public:
  // `userChoiceKey` (under HKEY_CURRENT_USER) holds the chosen ProgId;
  // tests point it at a key of their own.
  explicit WindowsDefaultBrowser(
      std::wstring userChoiceKey =
          L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice");

  // The ProgId the user chose for http, or "http" itself where no choice
  // was made but the scheme has an open command (older systems).
  std::string KeyName() override;
  // HKEY_CLASSES_ROOT\<keyName>\shell\open\command without placeholders.
  std::string CommandLine(const std::string& keyName) override;
  std::string Explorer() override { return "explorer"; }

 private:
  std::wstring userChoiceKey_;
};

}  // namespace kfw::platform
