#pragma once
// The findway command line: every subcommand's arguments read and checked
// before anything touches the network, so a mistyped command never sends a
// datagram. A refusal here is exit status 2.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/address_validation.h"

namespace kfw::cli {

enum class CommandKind {
  Help,
  Discover,
  Query,
  SetAddress,
  Map,
  Unmap,
  Drives,
  Console,
  InstallLanguage,
  InstallBitTorrent,
};

struct Command {
  CommandKind kind = CommandKind::Help;
  std::string helpText;  // Help: what to print on standard output
  std::string address;   // the device, as dotted text
  bool json = false;
  int watchSeconds = 0;  // discover --watch; 0 runs one discovery
  std::string item;      // query
  // set-address: --dhcp, or --static with the three fields as the LAN panel
  // would hold them (an empty gateway is a blank field).
  bool dhcp = false;
  core::FieldOctets ip, netmask, gateway;
  std::string share;                  // map
  std::optional<std::string> letter;  // map, unmap: "K:"
  std::optional<std::string> user;    // map --user
  bool force = false;                 // map: replace a letter in use
  bool passwordStdin = false;
  bool print = false;  // console
  int language = -1;   // install-language: the Language list's index
};

struct ParseResult {
  std::optional<Command> command;
  std::string error;  // when there is no command: why, for standard error
};

ParseResult ParseArguments(const std::vector<std::string>& args);

// "950" or "Traditional Chinese" (case ignored) to the Language list's
// index; nothing for anything else.
std::optional<int> LanguageIndex(std::string_view text);

// The overview `findway --help` prints.
const std::string& Usage();

}  // namespace kfw::cli
