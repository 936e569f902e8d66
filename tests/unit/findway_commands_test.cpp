// The findway command line: every command's bad arguments refused (exit
// status 2) before any network is started, the argument kinds read one way,
// and the overview, help, completion and manual synopsis made from the
// registered commands.

#include "cli/command_unit.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/argument_types.h"

namespace kfw::cli {
namespace {

using Args = std::vector<std::string>;

std::string Line(const Args& args) {
  std::string line;
  for (const auto& arg : args) line += "[" + arg + "]";
  return line;
}

TEST(FindwayArgsTest, BadArgumentsOfEveryCommandAreRefused) {
  const Args rows[] = {
      {}, {"frobnicate"}, {"help", "frobnicate"},
      {"discover", "extra"}, {"discover", "--json", "--json"}, {"discover", "--watch"}, {"discover", "--json=1"},
      {"discover", "--watch", "0"}, {"discover", "--watch", "5s"}, {"discover", "--watch=86401"},
      {"query", "10.0.0.1"}, {"query", "10.0.0.1", "password"}, {"query", "10.0.0.256", "ssl"},
      {"set-address", "10.0.0.1"},
      {"set-address", "10.0.0.1", "--dhcp", "--static", "10.0.0.5", "255.255.255.0", ""},
      {"set-address", "10.0.0.1", "--static", "10.0.0.5", "255.255.255.0"},
      {"set-address", "10.0.0.1", "--static=10.0.0.5", "255.255.255.0", ""},
      {"set-address", "10.0.0.1", "--static", "10.0.0.300", "255.255.255.0", ""},
      {"set-address", "10.0.0.1", "--static", "10.0.0.5", "255.255.0", ""},
      {"set-address", "10.0.0.1", "--dhcp", "--password", "secret"}, {"set-address", "not-an-address", "--dhcp"},
      {"map", "10.0.0.1"}, {"map", "10.0.0.1", "HDD_1", "KL"}, {"map", "10.0.0.1", "HDD_1", "K:", "extra"},
      {"map", "10.0.0.1", "a\\b"}, {"map", "10.0.0.1", "HDD_1", "--password-stdin"},  // a password for nobody
      {"map", "10.0.0.1", "HDD_1", "--user"}, {"map", "10.0.0.1", "HDD_1", "--user="},
      {"map", "10.0.0.1", "HDD_1", "--user", "hpbuserABCDEFGHIJ"},  // 17 bytes: never cut to fit
      {"unmap"}, {"unmap", "7"}, {"drives", "--force"}, {"console"}, {"console", "10.0.0.1", "--json"},
      {"install-language", "10.0.0.1"}, {"install-language", "10.0.0.1", "Klingon"},
      {"install-bt", "10.0.0.1", "--force"}, {"install-bt"},
  };
  for (const Args& row : rows) {
    const ParseResult result = ParseArguments(row);
    EXPECT_FALSE(result.run) << Line(row);
    EXPECT_FALSE(result.error.empty()) << Line(row);
  }
  const Args good[] = {
      {"discover", "--watch=5", "--json"}, {"discover"}, {"query", "10.0.0.1", "bt_firmware"},
      {"set-address", "010.0.0.1", "--password-stdin", "--static", "10.0.0.5", "255.255.255.0", "10.0.0.254"},
      {"set-address", "10.0.0.1", "--dhcp"},
      {"map", "10.0.0.1", "HDD_1", "k", "--user", "kfwdemo-sixteen1", "--password-stdin", "--force"},
      {"unmap", "z:"}, {"drives", "--json"}, {"console", "10.0.0.1", "--print"},
      {"install-language", "10.0.0.1", "tURKISH"}, {"install-bt", "10.0.0.1"},
  };
  for (const Args& row : good) {
    const ParseResult result = ParseArguments(row);
    EXPECT_TRUE(result.run) << Line(row) << ": " << result.error;
  }
}

// Static settings get the LAN panel's checks and messages before anything
// is sent.
TEST(FindwayArgsTest, StaticSettingsAreCheckedAsTheWindowChecksThem) {
  const struct { Args fields; std::string error; } rows[] = {
      {{"10.0.0.255", "255.255.255.0", ""}, "You enter incorrect TCP/IP configuration. Please try again."},
      {{"", "255.255.255.0", ""}, "Warning: Please input IP address!"},
      {{"10.0.0.5", "255.0.255.0", ""}, "Error: Netmask address input invalid. Please try again."},
      {{"10.0.0.5", "255.255.255.0", "10.0.1.1"}, "You enter incorrect TCP/IP configuration."},
      {{"10.0.0.5", "255.255.255.0", ""}, "You enter incorrect TCP/IP configuration."},
  };
  for (const auto& row : rows) {
    Args args{"set-address", "10.0.0.1", "--static"};
    args.insert(args.end(), row.fields.begin(), row.fields.end());
    const ParseResult result = ParseArguments(args);
    EXPECT_FALSE(result.run) << row.error;
    EXPECT_NE(result.error.find(row.error), std::string::npos) << result.error;
  }
}

TEST(FindwayArgsTest, ArgumentKindsAreReadOneWay) {
  EXPECT_EQ(DeviceAddress("010.0.0.1"), "10.0.0.1");
  EXPECT_FALSE(DeviceAddress("10.0.0"));
  EXPECT_EQ(DriveLetter("z:"), "Z:");
  EXPECT_EQ(DriveLetter("k"), "K:");
  EXPECT_FALSE(DriveLetter("7"));
  const auto field = FieldOf("10.0.0.254");
  ASSERT_TRUE(field);
  EXPECT_EQ(field->octets, (core::Octets{10, 0, 0, 254}));
  EXPECT_FALSE(field->blank);
  EXPECT_TRUE(FieldOf("").value().blank);
  EXPECT_FALSE(FieldOf("10.0.0.256"));
  EXPECT_FALSE(FieldOf("10.0.0.1.2"));
  EXPECT_EQ(LanguageIndex("950"), 0);
  EXPECT_EQ(LanguageIndex("tURKISH"), 5);
  EXPECT_EQ(LanguageIndex("Japanese SJIS"), 8);
  EXPECT_FALSE(LanguageIndex("437"));
  EXPECT_FALSE(LanguageIndex("Turk"));
}

std::string Output(const Args& args) {
  const ParseResult result = ParseArguments(args);
  EXPECT_TRUE(result.run) << Line(args) << ": " << result.error;
  if (!result.run) return {};
  std::ostringstream out, err;
  Terminal terminal{-1, out, err};
  EXPECT_EQ(result.run(terminal), 0);
  return out.str();
}

// Help, for the program and for each command, wherever --help stands.
TEST(FindwayArgsTest, HelpComesFromTheCommands) {
  EXPECT_NE(Output({"install-bt", "10.0.0.1", "--help"}).find("--password-stdin"), std::string::npos);
  EXPECT_NE(Output({"map", "--help"}).find("--force"), std::string::npos);
  EXPECT_EQ(Output({"--help"}), Usage());
  EXPECT_NE(Output({"help", "discover"}).find("usage: findway discover [--json] [--watch SECONDS]\n"),
            std::string::npos);
  // The overview's summaries line up, a long usage on a line of its own.
  EXPECT_NE(Usage().find("\n  query ADDRESS ITEM                            one value of a device\n"),
            std::string::npos);
  EXPECT_NE(Usage().find("[--password-stdin] [--force]\n" + std::string(48, ' ') + "map a share"),
            std::string::npos);
}

// Every registered command shows in each text made from the units, with
// each of its options: what a new command gets from its registration.
TEST(FindwayArgsTest, EveryRegisteredCommandReachesEveryText) {
  const std::string completion = BashCompletion();
  const std::string synopsis = ManSynopsis();
  std::set<std::string> names;
  for (const CommandUnit* unit : Commands()) {
    const std::string name(unit->name);
    EXPECT_TRUE(names.insert(name).second) << name << " registered twice";
    EXPECT_NE(Usage().find("\n  " + name + " "), std::string::npos) << name;
    EXPECT_NE(completion.find("\n    " + name + ")\n"), std::string::npos) << name;
    std::string roffName;
    for (char c : name) roffName += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(synopsis.find(".B findway " + roffName + "\n"), std::string::npos) << name;
    for (const Option& option : unit->options) {
      const std::string text(option.name);
      EXPECT_NE(HelpOf(*unit).find(text), std::string::npos) << name << " " << text;
      const std::size_t at = completion.find("\n    " + name + ")\n");
      EXPECT_NE(completion.substr(at, completion.find(";;", at) - at).find(text), std::string::npos)
          << name << " " << text;
    }
    for (const std::string& word : unit->completions) {
      EXPECT_NE(completion.find(word), std::string::npos) << name << " " << word;
    }
  }
  EXPECT_NE(completion.find("--watch | --static | --user) return ;;"), std::string::npos);
  EXPECT_NE(synopsis.find("\\fIADDRESS\\fR (\\fB\\-\\-dhcp\\fR | \\fB\\-\\-static\\fR \\fIIP\\fR"), std::string::npos);
}

}  // namespace
}  // namespace kfw::cli
