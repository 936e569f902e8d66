#pragma once
// Starting programs and the default browser on a Linux desktop: command
// lines are split as desktop entries quote their Exec lines and started with
// posix_spawn, never through a shell; files are opened with xdg-open; the
// default browser is the one xdg-settings names, or else the http handler of
// the desktop's mimeapps.list, and its command line is its desktop entry's
// Exec line.

#include <string>
#include <string_view>
#include <vector>

#include "platform/programs.h"

namespace kfw::platform {

// Arguments separated by blanks; a double-quoted part keeps its blanks and
// takes \" \` \$ \\ as escapes. Like the desktops' own launchers it also
// accepts single-quoted parts (taken literally) and a backslash escaping the
// next character outside quotes. An unterminated quote runs to the end.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// An Exec line without its field codes (%u %U %f %F %i %c %k and the
// deprecated ones), "%%" becoming "%"; blanks left over are collapsed.
std::string RemoveFieldCodes(std::string_view exec);

class LinuxProgramStarter final : public ProgramStarter {
 public:
  // `opener` opens a file with its associated program and `mimeTool` tells
  // which program that is; tests hand in stand-ins.
  explicit LinuxProgramStarter(std::string opener = "xdg-open", std::string mimeTool = "xdg-mime");

  // Starts the program without waiting for it (it is reaped when it ends);
  // stdin is /dev/null, stdout too unless `shown`.
  int Run(const std::string& commandLine, bool shown) override;
  // 2 when the file does not exist (3 when its folder does not either), 31
  // when the desktop knows no program for its kind or has no opener,
  // otherwise the opener's start.
  int Open(const std::string& file) override;

 private:
  std::string opener_, mimeTool_;
};

class LinuxDefaultBrowser final : public DefaultBrowser {
 public:
  // `settingsTool` is asked first; tests hand in a stand-in or a missing one.
  explicit LinuxDefaultBrowser(std::string settingsTool = "xdg-settings");

  // The desktop entry id, such as "firefox-esr.desktop".
  std::string KeyName() override;
  // The entry's Exec line without field codes; "" when the entry is not
  // installed or has none.
  std::string CommandLine(const std::string& keyName) override;
  std::string Explorer() override { return "xdg-open"; }

 private:
  std::string settingsTool_;
};

}  // namespace kfw::platform
