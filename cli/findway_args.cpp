#include "cli/findway_args.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "cli/findway_output.h"
#include "core/addon_install.h"
#include "platform/ascii.h"
#include "protocol/management_client.h"

namespace kfw::cli {
namespace {

constexpr int kMaxWatchSeconds = 86400;

const std::string kUsage =
    "usage: findway COMMAND [OPTIONS]\n"
    "\n"
    "Finds the storage devices on every local network and manages them. A\n"
    "command that names a device by ADDRESS runs a discovery first and works\n"
    "on the device that answered from that address.\n"
    "\n"
    "commands:\n"
    "  discover [--json] [--watch SECONDS]           list the devices found\n"
    "  query ADDRESS ITEM                            one value of a device\n"
    "  set-address ADDRESS (--dhcp | --static IP NETMASK GATEWAY) [--password-stdin]\n"
    "                                                change a device's LAN settings\n"
    "  map ADDRESS SHARE [LETTER] [--user NAME] [--password-stdin] [--force]\n"
    "                                                map a share to a drive letter\n"
    "  unmap LETTER                                  remove a drive letter's mapping\n"
    "  drives [--json]                               the drive letters and their shares\n"
    "  console ADDRESS [--print]                     open a device's web console\n"
    "  install-language ADDRESS LANGUAGE             install a language on a device\n"
    "  install-bt ADDRESS [--password-stdin]         install the BitTorrent add-on\n"
    "\n"
    "`findway COMMAND --help` describes a command's options.\n"
    "\n"
    "Passwords are never taken from the command line: --password-stdin reads\n"
    "one line from standard input; otherwise a terminal prompts without echo;\n"
    "with neither, only the empty password is tried. A password longer than\n"
    "16 bytes, the most a device takes, is refused (status 2).\n"
    "\n"
    "exit status: 0 success, 1 nothing answered, device not found or an\n"
    "install not confirmed, 2 bad arguments, 3 refused by the device\n"
    "(password, share credentials, disk state, firmware), 4 a local failure\n"
    "(mount, file, browser).\n";

const std::map<std::string, std::string, std::less<>> kHelp{
    {"discover",
     "usage: findway discover [--json] [--watch SECONDS]\n"
     "Lists the devices that answer a discovery on every local network.\n"
     "  --json             a JSON array of objects with the keys name, ip, netmask,\n"
     "                     gateway, dhcp, model, interface\n"
     "  --watch SECONDS    discover again every SECONDS (1-86400) and print each\n"
     "                     device that appears or vanishes (\"appeared\" or \"vanished\"\n"
     "                     and its row; with --json one object a line with the key\n"
     "                     event added), until interrupted\n"
     "Exit status 1 when no device answered (without --watch).\n"},
    {"query",
     "usage: findway query ADDRESS ITEM\n"
     "Prints one value of the device at ADDRESS. ITEM is one of: shares, ssl,\n"
     "sharename, ideok, bt_firmware, domain, codepage, workgroup.\n"},
    {"set-address",
     "usage: findway set-address ADDRESS --dhcp [--password-stdin]\n"
     "       findway set-address ADDRESS --static IP NETMASK GATEWAY [--password-stdin]\n"
     "Changes the LAN settings of the device at ADDRESS, once it has accepted\n"
     "its administrator password, then finds it again and prints its new\n"
     "address.\n"
     "  --dhcp             the device takes its address from a DHCP server\n"
     "  --static IP NETMASK GATEWAY\n"
     "                     a fixed address, netmask and gateway (in the address's\n"
     "                     subnet), checked as the window's LAN panel checks them\n"
     "  --password-stdin   read the administrator password from standard input\n"
     "The password crosses the LAN in clear (the devices' protocol has no\n"
     "encryption): use this on a network you trust.\n"},
    {"map",
     "usage: findway map ADDRESS SHARE [LETTER] [--user NAME] [--password-stdin] [--force]\n"
     "Maps SHARE of the device at ADDRESS to a drive letter (the highest free\n"
     "letter when LETTER is not given) and prints the letter.\n"
     "  --user NAME        the user to connect as when the share refuses a guest\n"
     "                     (at most 16 bytes)\n"
     "  --password-stdin   read that user's password from standard input\n"
     "  --force            replace the letter's connection when it is in use\n"},
    {"unmap",
     "usage: findway unmap LETTER\n"
     "Removes the mapping of drive LETTER (such as K or K:).\n"},
    {"drives",
     "usage: findway drives [--json]\n"
     "Lists the drive letters a share can be mapped to, Z towards D, with the\n"
     "share mapped to each; the first free one is what `map` takes by default.\n"
     "  --json             an array of objects with the keys letter, host, share,\n"
     "                     mapped, default\n"},
    {"console",
     "usage: findway console ADDRESS [--print]\n"
     "Opens the web console of the device at ADDRESS in the default browser,\n"
     "once the device answers on its web port.\n"
     "  --print            print the console's address instead of opening it\n"},
    {"install-language",
     "usage: findway install-language ADDRESS LANGUAGE\n"
     "Installs a language on the device at ADDRESS and waits for its restart.\n"
     "LANGUAGE is a code page number or a language's name (case ignored):\n"
     "  950 Traditional Chinese, 936 Simplified Chinese, 850 Western European,\n"
     "  865 Northern European, 852 Central European, 857 Turkish,\n"
     "  949 Korean Hangul, 866 Cyrillic, 932 Japanese SJIS\n"},
    {"install-bt",
     "usage: findway install-bt ADDRESS [--password-stdin]\n"
     "Installs the BitTorrent add-on on the device at ADDRESS, once it has\n"
     "accepted its administrator password, and waits for its restart.\n"
     "  --password-stdin   read the administrator password from standard input\n"},
};

// The options a command takes: flags, and options with one value.
struct Grammar {
  std::vector<std::string> flags;
  std::vector<std::string> valued;
  std::size_t minPositional;
  std::size_t maxPositional;
};

const std::map<std::string, Grammar, std::less<>> kGrammar{
    {"discover", {{"--json"}, {"--watch"}, 0, 0}},
    {"query", {{}, {}, 2, 2}},
    // --static's three values are taken apart below.
    {"set-address", {{"--dhcp", "--password-stdin"}, {}, 1, 1}},
    {"map", {{"--password-stdin", "--force"}, {"--user"}, 2, 3}},
    {"unmap", {{}, {}, 1, 1}},
    {"drives", {{"--json"}, {}, 0, 0}},
    {"console", {{"--print"}, {}, 1, 1}},
    {"install-language", {{}, {}, 2, 2}},
    {"install-bt", {{"--password-stdin"}, {}, 1, 1}},
};

const std::map<std::string, CommandKind, std::less<>> kKinds{
    {"discover", CommandKind::Discover},        {"query", CommandKind::Query},
    {"set-address", CommandKind::SetAddress},   {"map", CommandKind::Map},
    {"unmap", CommandKind::Unmap},              {"drives", CommandKind::Drives},
    {"console", CommandKind::Console},          {"install-language", CommandKind::InstallLanguage},
    {"install-bt", CommandKind::InstallBitTorrent},
};

bool Contains(const std::vector<std::string>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

ParseResult Refuse(std::string why) { return {std::nullopt, std::move(why)}; }

std::optional<std::string> DeviceAddress(const std::string& text) {
  uint8_t octets[4];
  if (!protocol::AddressBytes(text, octets)) return std::nullopt;
  return protocol::FormatAddress(octets);
}

// An address field as the LAN panel holds it: four octets of 0-255, or
// blank when the text is empty.
std::optional<core::FieldOctets> FieldOf(std::string_view text) {
  core::FieldOctets field;
  if (text.empty()) return field;
  field.blank = false;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, dot);
    if (part.empty() || part.size() > 3 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    std::from_chars(part.data(), part.data() + part.size(), field.octets[i]);
    if (field.octets[i] > 255) return std::nullopt;
    text.remove_prefix(std::min(text.size(), dot + 1));
  }
  return field;
}

std::optional<std::string> DriveLetter(std::string text) {
  if (text.size() == 2 && text[1] == ':') text.pop_back();
  if (text.size() != 1 || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
  return std::string{static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))), ':'};
}

std::string WithCaption(const core::UserMessage& message) {
  return message.caption.empty() ? message.text : message.caption + ": " + message.text;
}

}  // namespace

const std::string& Usage() { return kUsage; }

std::optional<int> LanguageIndex(std::string_view text) {
  for (int index = 0; index < core::kLanguageCount; ++index) {
    if (text == core::LanguageCodepage(index) || platform::SameIgnoringCase(text, core::LanguageText(index))) {
      return index;
    }
  }
  return std::nullopt;
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  if (args.empty()) return Refuse("no command given");
  const std::string& name = args[0];
  if (name == "-h" || name == "--help" || name == "help") {
    Command help;
    help.helpText = kUsage;
    if (args.size() > 1) {
      const auto topic = kHelp.find(args[1]);
      if (topic == kHelp.end()) return Refuse("unknown command " + EchoedArgument(args[1]));
      help.helpText = topic->second;
    }
    return {help, {}};
  }
  const auto grammar = kGrammar.find(name);
  if (grammar == kGrammar.end()) return Refuse("unknown command " + EchoedArgument(name));
  const Grammar& g = grammar->second;

  Command command;
  command.kind = kKinds.at(name);
  std::vector<std::string> positional;
  std::vector<std::string> flags;
  std::map<std::string, std::string> values;
  std::optional<std::vector<std::string>> staticFields;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "-h" || arg == "--help") {
      command.kind = CommandKind::Help;
      command.helpText = kHelp.at(name);
      return {command, {}};
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const auto equals = arg.find('='); equals != std::string::npos) {
      inlineValue = arg.substr(equals + 1);
      arg.resize(equals);
    }
    if (name == "set-address" && arg == "--static" && !inlineValue) {
      if (staticFields) return Refuse("--static given twice");
      if (i + 3 >= args.size()) return Refuse("--static needs IP, NETMASK and GATEWAY");
      staticFields = std::vector<std::string>(args.begin() + static_cast<long>(i) + 1,
                                              args.begin() + static_cast<long>(i) + 4);
      i += 3;
    } else if (Contains(g.flags, arg) && !inlineValue) {
      if (Contains(flags, arg)) return Refuse(arg + " given twice");
      flags.push_back(arg);
    } else if (Contains(g.valued, arg)) {
      if (values.count(arg)) return Refuse(arg + " given twice");
      if (!inlineValue && i + 1 >= args.size()) return Refuse(arg + " needs a value");
      values[arg] = inlineValue ? *inlineValue : args[++i];
    } else {
      return Refuse(name + " has no option " + EchoedArgument(arg));
    }
  }
  if (positional.size() < g.minPositional || positional.size() > g.maxPositional) {
    return Refuse(name + ": wrong number of arguments\n" + kHelp.at(name));
  }
  const auto flag = [&](const char* option) { return Contains(flags, option); };
  command.json = flag("--json");
  command.force = flag("--force");
  command.passwordStdin = flag("--password-stdin");
  command.print = flag("--print");
  command.dhcp = flag("--dhcp");

  switch (command.kind) {
    case CommandKind::Discover:
      if (values.count("--watch")) {
        const std::string& text = values["--watch"];
        int seconds = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (ec != std::errc() || end != text.data() + text.size() || seconds < 1 ||
            seconds > kMaxWatchSeconds) {
          return Refuse("--watch needs a number of seconds from 1 to 86400, not " + EchoedArgument(text));
        }
        command.watchSeconds = seconds;
      }
      return {command, {}};
    case CommandKind::Drives: return {command, {}};
    case CommandKind::Unmap:
      command.letter = DriveLetter(positional[0]);
      if (!command.letter) return Refuse(EchoedArgument(positional[0]) + " is not a drive letter");
      return {command, {}};
    default: break;
  }

  // Every other command names a device first.
  const auto address = DeviceAddress(positional[0]);
  if (!address) return Refuse(EchoedArgument(positional[0]) + " is not an IPv4 address");
  command.address = *address;

  switch (command.kind) {
    case CommandKind::Query: {
      const auto& items = QueryItems();
      if (!Contains(items, positional[1])) return Refuse("unknown item " + EchoedArgument(positional[1]));
      command.item = positional[1];
      break;
    }
    case CommandKind::SetAddress: {
      if (command.dhcp == staticFields.has_value()) return Refuse("set-address needs either --dhcp or --static");
      if (command.dhcp) break;
      const char* names[] = {"IP", "NETMASK", "GATEWAY"};
      core::FieldOctets* fields[] = {&command.ip, &command.netmask, &command.gateway};
      for (int i = 0; i < 3; ++i) {
        const auto field = FieldOf((*staticFields)[i]);
        if (!field) return Refuse(std::string(names[i]) + " " + EchoedArgument((*staticFields)[i]) +
                                  " is not a dotted address of four numbers 0-255");
        *fields[i] = *field;
      }
      // The same checks and messages as the LAN panel's, before any datagram.
      const core::ValidationResult check =
          core::ValidateStaticSettings(command.ip, command.netmask, command.gateway);
      if (!check.check.ok) return Refuse(WithCaption(check.check.message));
      break;
    }
    case CommandKind::Map: {
      command.share = positional[1];
      if (command.share.empty() || command.share.size() > 255 ||
          std::any_of(command.share.begin(), command.share.end(),
                      [](unsigned char c) { return c < 0x20 || c == '\\' || c == '/' || c == 0x7f; })) {
        return Refuse(EchoedArgument(command.share) + " is not a share name");
      }
      if (positional.size() == 3) {
        command.letter = DriveLetter(positional[2]);
        if (!command.letter) return Refuse(EchoedArgument(positional[2]) + " is not a drive letter");
      }
      if (values.count("--user")) {
        command.user = values["--user"];
        if (command.user->empty()) return Refuse("--user needs a user name");
        // Cut to fit, it would log in as someone else.
        if (command.user->size() > core::kLoginTextMax) {
          return Refuse("a user name holds at most " + std::to_string(core::kLoginTextMax) + " bytes; " +
                        EchoedArgument(*command.user) + " has " + std::to_string(command.user->size()));
        }
      }
      if (command.passwordStdin && !command.user) return Refuse("--password-stdin needs --user");
      break;
    }
    case CommandKind::InstallLanguage: {
      const auto language = LanguageIndex(positional[1]);
      if (!language) return Refuse("unknown language " + EchoedArgument(positional[1]) + "\n" +
                                   kHelp.at("install-language"));
      command.language = *language;
      break;
    }
    default: break;
  }
  return {command, {}};
}

}  // namespace kfw::cli
