// The findway command line: every command's bad arguments refused (exit
// status 2) by the parser, which runs before any network is started; and
// what good ones become.

#include "cli/findway_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kfw::cli {
namespace {

using Args = std::vector<std::string>;

TEST(FindwayArgsTest, BadArgumentsOfEveryCommandAreRefused) {
  const Args rows[] = {
      {}, {"frobnicate"}, {"help", "frobnicate"},
      {"discover", "extra"}, {"discover", "--json", "--json"}, {"discover", "--watch"},
      {"discover", "--watch", "0"}, {"discover", "--watch", "5s"}, {"discover", "--watch=86401"},
      {"query", "10.0.0.1"}, {"query", "10.0.0.1", "password"}, {"query", "10.0.0.256", "ssl"},
      {"set-address", "10.0.0.1"},
      {"set-address", "10.0.0.1", "--dhcp", "--static", "10.0.0.5", "255.255.255.0", ""},
      {"set-address", "10.0.0.1", "--static", "10.0.0.5", "255.255.255.0"},
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
    std::string line;
    for (const auto& arg : row) line += "[" + arg + "]";
    const ParseResult result = ParseArguments(row);
    EXPECT_FALSE(result.command) << line;
    EXPECT_FALSE(result.error.empty()) << line;
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
    EXPECT_FALSE(result.command) << row.error;
    EXPECT_NE(result.error.find(row.error), std::string::npos) << result.error;
  }
  const ParseResult good =
      ParseArguments({"set-address", "010.0.0.1", "--password-stdin", "--static", "10.0.0.5", "255.255.255.0", "10.0.0.254"});
  ASSERT_TRUE(good.command) << good.error;
  EXPECT_EQ(good.command->address, "10.0.0.1");
  EXPECT_FALSE(good.command->dhcp);
  EXPECT_TRUE(good.command->passwordStdin);
  EXPECT_EQ(good.command->ip.octets, (core::Octets{10, 0, 0, 5}));
  EXPECT_EQ(good.command->gateway.octets, (core::Octets{10, 0, 0, 254}));
  EXPECT_FALSE(good.command->netmask.blank || good.command->gateway.blank);
}

TEST(FindwayArgsTest, GoodArgumentsBecomeTheirCommand) {
  auto parse = [](const Args& args) {
    const ParseResult result = ParseArguments(args);
    EXPECT_TRUE(result.command) << result.error;
    return result.command.value_or(Command{});
  };
  Command c = parse({"discover", "--watch=5", "--json"});
  EXPECT_EQ(c.kind, CommandKind::Discover);
  EXPECT_EQ(c.watchSeconds, 5);
  EXPECT_TRUE(c.json);
  EXPECT_EQ(parse({"discover"}).watchSeconds, 0);

  c = parse({"map", "10.0.0.1", "HDD_1", "k", "--user", "kfwdemo-sixteen1", "--password-stdin", "--force"});
  EXPECT_EQ(c.kind, CommandKind::Map);
  EXPECT_EQ(c.share, "HDD_1");
  EXPECT_EQ(c.letter, "K:");
  EXPECT_EQ(c.user, "kfwdemo-sixteen1");
  EXPECT_TRUE(c.force && c.passwordStdin);
  EXPECT_FALSE(parse({"map", "10.0.0.1", "HDD_1"}).letter);
  EXPECT_EQ(parse({"unmap", "z:"}).letter, "Z:");

  EXPECT_TRUE(parse({"console", "10.0.0.1", "--print"}).print);
  EXPECT_EQ(parse({"install-bt", "10.0.0.1"}).kind, CommandKind::InstallBitTorrent);
  EXPECT_EQ(parse({"install-language", "10.0.0.1", "950"}).language, 0);
  EXPECT_EQ(parse({"install-language", "10.0.0.1", "tURKISH"}).language, 5);
  EXPECT_EQ(LanguageIndex("Japanese SJIS"), 8);
  EXPECT_EQ(LanguageIndex("866"), 7);
  EXPECT_FALSE(LanguageIndex("437"));
  EXPECT_FALSE(LanguageIndex("Turk"));

  // Help, for the program and for each command, wherever --help stands.
  c = parse({"install-bt", "10.0.0.1", "--help"});
  EXPECT_EQ(c.kind, CommandKind::Help);
  EXPECT_NE(c.helpText.find("--password-stdin"), std::string::npos);
  EXPECT_NE(parse({"map", "--help"}).helpText.find("--force"), std::string::npos);
  EXPECT_EQ(parse({"--help"}).helpText, Usage());
  EXPECT_NE(parse({"help", "discover"}).helpText.find("--watch SECONDS"), std::string::npos);
}

}  // namespace
}  // namespace kfw::cli
