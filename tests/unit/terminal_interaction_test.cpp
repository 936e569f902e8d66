// The findway command's answers to a command's questions, and the lines
// `discover --watch` and `drives` write.

#include "cli/terminal_interaction.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <cstdio>
#include <memory>
#include <sstream>

#include "cli/findway_output.h"
#include "platform/console.h"
#include "tests/support/fake_network_drives.h"

namespace kfw::cli {
namespace {

using core::LoginMode;
using namespace std::chrono_literals;

struct Terminal {
  explicit Terminal(const std::string& input, TerminalAnswers answers = {}) {
    std::fputs(input.c_str(), file.get());
    std::fflush(file.get());
    std::rewind(file.get());
    answers.device = "10.0.0.7";
    user.emplace(answers, passwords, err, clock);
  }
  // Standard input: a file read through its descriptor, as findway reads it.
  std::unique_ptr<FILE, int (*)(FILE*)> file{std::tmpfile(), std::fclose};
  int in = fileno(file.get());
  StreamPassword passwords{in};
  std::ostringstream err;
  platform::FakeClock clock;
  std::optional<TerminalInteraction> user;

  // What the Login question gets: "user/password", or "-" for none.
  std::string Login(LoginMode mode, std::optional<std::string> fixedUser = "admin") {
    const auto typed = user->AskLogin({mode, std::move(fixedUser)});
    return typed ? typed->user + "/" + typed->password.str() : "-";
  }
};

TEST(TerminalInteractionTest, PasswordsComeFromOneLineOfInputOnce) {
  Terminal admin("s3cret\r\nmore\n");
  EXPECT_EQ(admin.Login(LoginMode::Administrator), "admin/s3cret");
  EXPECT_EQ(admin.Login(LoginMode::Administrator), "-") << "a second line is never read";
  EXPECT_EQ(platform::ReadSecretLine(admin.in), "more") << "nothing past the line was taken";
  EXPECT_EQ(admin.err.str().find("s3cret"), std::string::npos);
  EXPECT_EQ(Terminal("").Login(LoginMode::Administrator), "-");
  EXPECT_EQ(Terminal("\n").Login(LoginMode::Administrator), "admin/");
  // A device takes 16 bytes; a longer password is refused whole, not cut.
  EXPECT_EQ(Terminal("0123456789abcdef\n").Login(LoginMode::Administrator), "admin/0123456789abcdef");
  Terminal tooLong("0123456789abcdefg\n");
  EXPECT_EQ(tooLong.Login(LoginMode::Administrator), "-");
  EXPECT_TRUE(tooLong.user->passwordTooLong());
  EXPECT_NE(tooLong.err.str().find("at most 16 bytes"), std::string::npos);
  EXPECT_TRUE(tooLong.user->Abandoned());
  tooLong.user->Message({"Error", "Wrong administrator password input!", core::MessageIcon::Stop});
  EXPECT_EQ(tooLong.err.str().find("Wrong"), std::string::npos) << "nothing is said after the length";

  // A share is asked for only with a user to connect as.
  Terminal guest("pw\n");
  EXPECT_EQ(guest.Login(LoginMode::ShareAccess, std::nullopt), "-");
  EXPECT_EQ(platform::ReadSecretLine(guest.in), "pw") << "no password was read for a guest";
  EXPECT_EQ(Terminal("pw\n", {"", "kfwdemo"}).Login(LoginMode::ShareAccess, std::nullopt), "kfwdemo/pw");

  std::string secret = "a password longer than the small buffer";
  Wipe(secret);
  EXPECT_TRUE(secret.empty());
}

TEST(TerminalInteractionTest, QuestionsAreAnsweredFromTheOptions) {
  Terminal plain("");
  plain.user->Message({"Error", "Wrong administrator password input!", core::MessageIcon::Stop});
  plain.user->Message({"", "Please check hard drives."});
  EXPECT_EQ(plain.user->AskDriveInUse(), core::DriveInUseAnswer::Keep);
  EXPECT_FALSE(plain.user->AskLanguage({}));
  EXPECT_EQ(plain.err.str(),
            "Error: Wrong administrator password input!\nPlease check hard drives.\n"
            "The drive letter has been used. Give --force to replace its connection.\n");

  TerminalAnswers answers;
  answers.force = true;
  answers.language = 5;
  Terminal forced("", answers);
  EXPECT_EQ(forced.user->AskDriveInUse(), core::DriveInUseAnswer::UseIt);
  // The language once: a refused one is not asked again.
  EXPECT_EQ(forced.user->AskLanguage({2, false}), 5);
  EXPECT_FALSE(forced.user->AskLanguage({2, false}));

  bool ran = false;
  const auto start = forced.clock.Now();
  forced.user->RunLoading(2000ms, [&] { ran = forced.clock.Now() - start >= 2000ms; });
  EXPECT_TRUE(ran) << "the work runs after the Loading delay";
}

TEST(TerminalInteractionTest, RestartWaitFillsTheBarThenWaitsItsWholeTime) {
  for (const bool bar : {false, true}) {
    TerminalAnswers answers;
    answers.progressBar = bar;
    Terminal t("", answers);
    bool filled = false;
    std::chrono::nanoseconds filledAt{};
    const auto start = t.clock.Now();
    t.user->WaitRestart({99, 900ms, 90000ms, [&] {
                           filled = true;
                           filledAt = t.clock.Now() - start;
                         }});
    EXPECT_TRUE(filled);
    EXPECT_EQ(filledAt, 99 * 900ms);
    EXPECT_EQ(t.clock.Now() - start, 90000ms);
    const std::string shown = t.err.str();
    if (bar) {
      EXPECT_NE(shown.find("\rThe device is restarting [" + std::string(40, '#') + "] 100%"), std::string::npos);
    } else {
      std::string expected = "The device is restarting: 1%\n";
      for (int tenth = 1; tenth <= 10; ++tenth) {
        expected += "The device is restarting: " + std::to_string(tenth * 10) + "%\n";
      }
      EXPECT_EQ(shown, expected + "The device has restarted.\n");
    }
  }
}

TEST(FindwayWatchTest, ChangesBetweenRoundsAndTheDriveTable) {
  const SeenDevice a{"a@0", "Archive", "10.0.0.1", "255.0.0.0", "", "KX-1", "10.0.0.9", false};
  const SeenDevice b{"b@0", "Basement", "10.0.0.2", "255.0.0.0", "", "", "10.0.0.9", true};
  SeenDevice moved = a;
  moved.key = "c@0";
  moved.ip = "10.0.0.3";
  std::ostringstream text;
  EXPECT_EQ(WriteDeviceChanges(text, {}, {a, b}, false), 2);
  EXPECT_EQ(WriteDeviceChanges(text, {a, b}, {b, a}, false), 0);
  EXPECT_EQ(WriteDeviceChanges(text, {a, b}, {b, moved}, false), 2);
  EXPECT_EQ(text.str(),
            "appeared  Archive  10.0.0.1  KX-1  10.0.0.9\nappeared  Basement  10.0.0.2  -  10.0.0.9\n"
            "vanished  Archive  10.0.0.1  KX-1  10.0.0.9\nappeared  Archive  10.0.0.3  KX-1  10.0.0.9\n");

  std::ostringstream json;
  WriteDeviceChanges(json, {a}, {b}, true);
  EXPECT_EQ(json.str(),
            "{\"event\": \"vanished\", \"name\": \"Archive\", \"ip\": \"10.0.0.1\", \"netmask\": \"255.0.0.0\", "
            "\"gateway\": \"\", \"dhcp\": false, \"model\": \"KX-1\", \"interface\": \"10.0.0.9\"}\n"
            "{\"event\": \"appeared\", \"name\": \"Basement\", \"ip\": \"10.0.0.2\", \"netmask\": \"255.0.0.0\", "
            "\"gateway\": \"\", \"dhcp\": true, \"model\": \"\", \"interface\": \"10.0.0.9\"}\n");

  platform::FakeNetworkDrives drives;
  drives.Connect('Z', "\\\\Vault\\HDD_1");
  drives.SetKind('X', platform::DriveKind::CdRom);
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  std::ostringstream listed;
  WriteDriveTable(listed, table, table.FillFreeDriveLetters(), true);
  const auto letters = nlohmann::json::parse(listed.str());
  ASSERT_EQ(letters.size(), 23u);  // Z to C, less the CD drive
  EXPECT_EQ(letters[0], (nlohmann::json{{"letter", "Z:"}, {"host", "Vault"}, {"share", "HDD_1"},
                                         {"mapped", true}, {"default", false}}));
  EXPECT_EQ(letters[1]["letter"], "Y:");
  EXPECT_TRUE(letters[1]["default"]);
  EXPECT_EQ(letters[2]["letter"], "W:");
  std::ostringstream plain;
  WriteDriveTable(plain, table, table.FillFreeDriveLetters(), false);
  EXPECT_EQ(plain.str().rfind("Z:  \\\\Vault\\HDD_1\nY:  (free, the default)\nW:  (free)\nV:  (free)\n", 0), 0u)
      << plain.str();
}

}  // namespace
}  // namespace kfw::cli
