// findway install-language and install-bt: an add-on installed, as the
// window's Language and BitTorrent commands do.

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "core/addon_install.h"

namespace kfw::cli {

const CommandUnit& InstallLanguageCommand();

namespace {

struct Request {
  std::string address;
  int language = -1;  // install-language: the Language list's index; -1 the add-on
  bool passwordStdin = false;
};

int Install(const Request& request, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(request.address);
  if (record == nullptr) return kNotFound;
  // The window offers Language only in the interface's subnet; BitTorrent everywhere.
  if (request.language >= 0) network.NoteSubnet(*record, "Language");
  platform::NativeShareFiles files;
  addons::SharePayloadPlacer placer(files);
  platform::NativeProgramStarter programs;
  platform::NativeDefaultBrowser browser;
  const auto passwords = Passwords(request.passwordStdin, terminal);
  TerminalInteraction user({request.address, std::nullopt, false, request.language, terminal.errorIsTerminal},
                           *passwords, terminal.err, network.clock());
  core::AddonState state;
  core::AddonServices services{network.client(), placer, files, programs, browser, network.clock(), user, state,
                               AddonWaits()};
  const core::AddonResult result =
      request.language >= 0 ? core::LanguageCommand(services, true, request.address, network.selected())
                            : core::BitTorrentCommand(services, true, request.address, network.selected());
  return ExitStatusOf(result.failure);
}

std::vector<std::string> Codepages() {
  std::vector<std::string> codepages;
  for (int index = 0; index < core::kLanguageCount; ++index) codepages.emplace_back(core::LanguageCodepage(index));
  return codepages;
}

Parsed ParseLanguage(const Arguments& arguments) {
  Request request;
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  request.address = *address;
  const auto language = LanguageIndex(arguments.positional[1]);
  if (!language) {
    return Parsed::Refuse("unknown language " + EchoedArgument(arguments.positional[1]) + "\n" +
                          HelpOf(InstallLanguageCommand()));
  }
  request.language = *language;
  return {[request](Terminal& terminal) { return Install(request, terminal); }, {}};
}

Parsed ParseBitTorrent(const Arguments& arguments) {
  Request request;
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  request.address = *address;
  request.passwordStdin = arguments.Has("--password-stdin");
  return {[request](Terminal& terminal) { return Install(request, terminal); }, {}};
}

}  // namespace

const CommandUnit& InstallLanguageCommand() {
  static const CommandUnit unit{
      "install-language", "ADDRESS LANGUAGE", "install a language on a device",
      "Installs a language on the device at ADDRESS and waits for its restart.\n"
      "LANGUAGE is a code page number or a language's name (case ignored):\n"
      "  950 Traditional Chinese, 936 Simplified Chinese, 850 Western European,\n"
      "  865 Northern European, 852 Central European, 857 Turkish,\n"
      "  949 Korean Hangul, 866 Cyrillic, 932 Japanese SJIS\n",
      {}, 2, 2, 2, Codepages(), ParseLanguage};
  return unit;
}

const CommandUnit& InstallBitTorrentCommand() {
  static const CommandUnit unit{
      "install-bt", "ADDRESS [--password-stdin]", "install the BitTorrent add-on",
      "Installs the BitTorrent add-on on the device at ADDRESS, once it has\n"
      "accepted its administrator password, and waits for its restart.\n"
      "  --password-stdin   read the administrator password from standard input\n",
      {{"--password-stdin"}}, 1, 1, 0, {}, ParseBitTorrent};
  return unit;
}

}  // namespace kfw::cli
