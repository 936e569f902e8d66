// Desktop command lines, the default browser read from a private desktop
// folder tree, and the answers of starting programs. Only harmless local
// programs and scripts written here are started; no browser.

#include "platform/linux/linux_programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "scratch.h"

namespace kfw::platform {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

TEST(DesktopCommandLine, FieldCodesGoAndArgumentsSplitAsQuoted) {
  struct Row { std::string exec, withoutCodes; Strings args; };
  const std::vector<Row> rows = {
      {"firefox %u", "firefox", {"firefox"}},
      {"chromium --new-window %U", "chromium --new-window", {"chromium", "--new-window"}},
      {R"("/opt/My Browser/bin" --x "a b" %f)", R"("/opt/My Browser/bin" --x "a b")",
       {"/opt/My Browser/bin", "--x", "a b"}},
      {"env MOZ_X=1 firefox %u", "env MOZ_X=1 firefox", {"env", "MOZ_X=1", "firefox"}},
      {R"(sh -c "echo \"\$HOME\" \`x\` \\ \n" %F)", R"(sh -c "echo \"\$HOME\" \`x\` \\ \n")",
       {"sh", "-c", "echo \"$HOME\" `x` \\ \\n"}},
      {"app --done=100%% %i %c %k", "app --done=100%", {"app", "--done=100%"}},
      {"  a\t 'b %%c'  \"\" my\\ app ", "a 'b %c' \"\" my\\ app", {"a", "b %c", "", "my app"}},
      {" %u ", "", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.exec);
    EXPECT_EQ(RemoveFieldCodes(row.exec), row.withoutCodes);
    EXPECT_EQ(SplitCommandLine(row.withoutCodes), row.args);
  }
}

class DesktopEntries : public Scratch {
 protected:
  void SetUp() override {
    Scratch::SetUp();
    SetEnv("XDG_CONFIG_HOME", (root / "config").string());
    SetEnv("XDG_CONFIG_DIRS", (root / "config-dirs").string());
    SetEnv("XDG_DATA_HOME", (root / "data").string());
    SetEnv("XDG_DATA_DIRS", (root / "data-dirs").string());
    Write("data/applications/a.desktop", "[Desktop Entry]\nExec=user-a %u\n");
    Write("data-dirs/applications/a.desktop", "[Desktop Entry]\nExec=system-a %u\n");
    Write("data-dirs/applications/b.desktop",
          "# a comment\n[Desktop Action new]\nExec=b --new\n\n[Desktop Entry]\nName=B\n"
          "Exec = sh -c \"echo \\\\\"\\\\$HOME\\\\\"\" %U\n");
    Write("data-dirs/applications/kde4/c.desktop", "[Desktop Entry]\nExec=c\\s%%1\n");
  }
  std::string List(const std::string& handlers) {
    return "[Added Associations]\nx-scheme-handler/http=a.desktop\n[Default Applications]\n"
           "text/html=a.desktop\nx-scheme-handler/http=" + handlers + "\n";
  }
  LinuxDefaultBrowser noTool{"/nonexistent/xdg-settings"};
};

TEST_F(DesktopEntries, KeyNameIsTheFirstInstalledHandlerInTheDesktopsOrder) {
  const std::string user = "config/mimeapps.list", configDir = "config-dirs/mimeapps.list",
                    dataHome = "data/applications/mimeapps.list",
                    dataDir = "data-dirs/applications/mimeapps.list";
  const std::vector<std::pair<std::map<std::string, std::string>, std::string>> rows = {
      {{}, ""},
      {{{dataDir, "b.desktop"}}, "b.desktop"},
      {{{dataHome, "a.desktop"}, {dataDir, "b.desktop"}}, "a.desktop"},
      {{{configDir, "kde4-c.desktop"}, {dataHome, "a.desktop"}}, "kde4-c.desktop"},
      {{{user, " gone.desktop ; b.desktop;"}, {configDir, "a.desktop"}}, "b.desktop"},
      {{{user, "gone.desktop;"}, {dataHome, "a.desktop"}}, "a.desktop"},
      {{{user, ""}, {dataDir, "kde4-c.desktop"}}, "kde4-c.desktop"},
  };
  for (const auto& [lists, expected] : rows) {
    for (const std::string& file : {user, configDir, dataHome, dataDir}) fs::remove(root / file);
    for (const auto& [file, handlers] : lists) Write(file, List(handlers));
    EXPECT_EQ(noTool.KeyName(), expected) << testing::PrintToString(lists);
  }
  // The settings tool is asked first; one that fails gives way to the lists.
  LinuxDefaultBrowser answering{Write("tool", "#!/bin/sh\necho tool.desktop\n", true)};
  EXPECT_EQ(answering.KeyName(), "tool.desktop");
  LinuxDefaultBrowser failing{Write("failing", "#!/bin/sh\necho x.desktop; exit 1\n", true)};
  EXPECT_EQ(failing.KeyName(), "kde4-c.desktop");
}

TEST_F(DesktopEntries, CommandLineIsTheEntrysExecWithoutFieldCodes) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"a.desktop", "user-a"},  // the user's entry hides the system's
      {"b.desktop", R"(sh -c "echo \"\$HOME\"")"},
      {"kde4-c.desktop", "c %1"},
      {"gone.desktop", ""},
      {"../applications/a.desktop", ""},
      {"", ""},
  };
  for (const auto& [id, expected] : rows) EXPECT_EQ(noTool.CommandLine(id), expected) << id;
  EXPECT_EQ(noTool.Explorer(), "xdg-open");
}

using ProgramStarts = Scratch;

TEST_F(ProgramStarts, RunAnswersForEachKindOfFailureAndStartsWithoutAShell) {
  Write("plain", "not a program\n");
  Write("junk", "junk bytes\n", true);
  Write("no-interpreter", "#!/no/such/interpreter\n", true);
  const std::string r = root.string();
  SetEnv("PATH", "/no-such-folder:" + r);
  const std::vector<std::pair<std::string, int>> rows = {
      {"", kStartNotFound},
      {"  ", kStartNotFound},
      {"kfw-no-such-program-4711 --x", kStartNotFound},
      {"plain", kStartBadFormat},  // found along PATH
      {r + "/missing", kStartNotFound},
      {r + "/no-such-folder/program", kStartPathNotFound},
      {r + "/plain/program", kStartPathNotFound},
      {r + "/plain", kStartBadFormat},
      {r + "/junk", kStartBadFormat},
      {r + "/no-interpreter", kStartBadFormat},
      {r, kStartBadFormat},
      {"/bin/true --ignored", kStartOk},
  };
  LinuxProgramStarter starter;
  for (const auto& [commandLine, answer] : rows)
    EXPECT_EQ(starter.Run(commandLine, false), answer) << commandLine;
  // Quoted arguments arrive whole, and $ means nothing to anyone.
  const fs::path out = root / "out";
  EXPECT_EQ(starter.Run(R"(/bin/sh -c "printf '%s|' \"\$0\" \"\$1\" > )" + out.string() +
                            R"(" "a b" '$HOME')",
                        false),
            kStartOk);
  EXPECT_EQ(TextOnceWritten(out, "a b|$HOME|"), "a b|$HOME|");
  // Started programs are reaped when they end: none stays a zombie.
  bool childrenLeft = true;
  for (int i = 0; i < 250 && childrenLeft; ++i) {
    childrenLeft = false;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
      std::string children;
      std::getline(std::ifstream(task.path() / "children"), children);
      childrenLeft |= !children.empty();
    }
    if (childrenLeft) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(childrenLeft);
}

TEST_F(ProgramStarts, OpenChecksTheFileAndItsAssociationBeforeTheOpener) {
  const fs::path opened = Write("opened", "");
  const fs::path opener =
      Write("opener", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + opened.string() + "'\n", true);
  const std::string mime = "#!/bin/sh\ncase \"$2\" in filetype) echo 'text/x-k; charset=x';; "
                           "default) [ \"$3\" = text/x-k ] && echo ";
  const std::string knows = Write("knows", mime + "viewer.desktop;; esac\n", true).string();
  const std::string knowsNothing = Write("knows-nothing", mime + ";; esac\n", true).string();
  Write("-doc.txt", "text\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  const std::vector<std::tuple<std::string, std::string, std::string, int>> rows = {
      {"-doc.txt", knows, opener.string(), kStartOk},
      {"-doc.txt", "/nonexistent/xdg-mime", opener.string(), kStartOk},
      {"-doc.txt", knowsNothing, opener.string(), 31},
      {"-doc.txt", knows, "/nonexistent/xdg-open", 31},
      {"missing.txt", knows, opener.string(), kStartNotFound},
      {"no-folder/doc.txt", knows, opener.string(), kStartPathNotFound},
      {"", knows, opener.string(), kStartNotFound},
  };
  for (const auto& [file, mimeTool, openerProgram, answer] : rows)
    EXPECT_EQ(LinuxProgramStarter(openerProgram, mimeTool).Open(file), answer) << file << " " << mimeTool;
  fs::current_path(cwd);
  const std::string path = (root / "-doc.txt").string();
  EXPECT_EQ(TextOnceWritten(opened, path + "\n" + path + "\n"), path + "\n" + path + "\n");
}

}  // namespace
}  // namespace kfw::platform
