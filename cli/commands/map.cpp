// findway map: a device's share mapped to a drive letter, as Connect does.

#include <algorithm>

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "core/drive_mapping.h"
#include "platform/ascii.h"
#include "shares/drive_table.h"

namespace kfw::cli {
namespace {

struct Request {
  std::string address;
  std::string share;
  std::optional<std::string> letter;  // "K:"
  std::optional<std::string> user;
  bool force = false;
  bool passwordStdin = false;
};

// The "Available Drive Letters" item for the letter asked for, or the
// default one.
std::optional<std::string> DriveItem(const Request& request, const shares::MappedDriveTable::FreeLetters& letters,
                                     std::ostream& err) {
  if (!request.letter) {
    if (letters.defaultIndex >= 0) return letters.items[static_cast<std::size_t>(letters.defaultIndex)];
    err << "findway: every drive letter is in use\n";
    return std::nullopt;
  }
  for (const std::string& item : letters.items) {
    if (item.compare(0, 2, *request.letter) == 0) return item;
  }
  err << "findway: " << *request.letter << " cannot take a share\n";
  return std::nullopt;
}

int Map(const Request& request, Terminal& terminal) {
  platform::NativeNetworkDrives drives;
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const auto item = DriveItem(request, table.FillFreeDriveLetters(), terminal.err);
  if (!item) return request.letter ? kBadArguments : kLocalFailure;

  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(request.address);
  if (record == nullptr) return kNotFound;
  network.NoteSubnet(*record, "Connect");
  protocol::ManagementClient& client = network.client();
  if (!client.QueryShareList(*record)) {
    terminal.err << "findway: " << request.address << " did not answer the shares query\n";
    return kNotFound;
  }
  // The share row as the window lists it; its name as the device spells it.
  const auto& names = client.shareList().names();
  const auto share = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
    return platform::SameIgnoringCase(name, request.share);
  });
  if (share == names.end()) {
    terminal.err << "findway: " << request.address << " has no share " << EchoedArgument(request.share) << "\n";
    return kNotFound;
  }

  platform::NativeSystemInfo system;
  const auto passwords = Passwords(request.passwordStdin, terminal);
  TerminalInteraction user({request.address, request.user, request.force, -1, terminal.errorIsTerminal},
                           *passwords, terminal.err, network.clock());
  core::DriveMappingInput input;
  input.deviceName = record->name.str();
  input.shareName = *share;
  input.driveItem = *item;
  input.deviceAddress = network.selected();
  const auto result = core::ConnectShare({client, drives, system, user}, input);
  if (result.outcome != core::ConnectOutcome::Connected) return ExitStatusOf(result.failure);
  terminal.out << item->substr(0, 2) << "\n";
  return kSuccess;
}

Parsed Parse(const Arguments& arguments) {
  Request request;
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  request.address = *address;
  request.share = arguments.positional[1];
  if (const auto refusal = ShareNameRefusal(request.share)) return Parsed::Refuse(*refusal);
  if (arguments.positional.size() == 3) {
    request.letter = DriveLetter(arguments.positional[2]);
    if (!request.letter) return Parsed::Refuse(EchoedArgument(arguments.positional[2]) + " is not a drive letter");
  }
  request.user = arguments.Value("--user");
  if (request.user) {
    if (request.user->empty()) return Parsed::Refuse("--user needs a user name");
    // Cut to fit, it would log in as someone else.
    if (request.user->size() > core::kLoginTextMax) {
      return Parsed::Refuse("a user name holds at most " + std::to_string(core::kLoginTextMax) + " bytes; " +
                            EchoedArgument(*request.user) + " has " + std::to_string(request.user->size()));
    }
  }
  request.force = arguments.Has("--force");
  request.passwordStdin = arguments.Has("--password-stdin");
  if (request.passwordStdin && !request.user) return Parsed::Refuse("--password-stdin needs --user");
  return {[request](Terminal& terminal) { return Map(request, terminal); }, {}};
}

}  // namespace

const CommandUnit& MapCommand() {
  static const CommandUnit unit{
      "map", "ADDRESS SHARE [LETTER] [--user NAME] [--password-stdin] [--force]",
      "map a share to a drive letter",
      "Maps SHARE of the device at ADDRESS to a drive letter (the highest free\n"
      "letter when LETTER is not given) and prints the letter.\n"
      "  --user NAME        the user to connect as when the share refuses a guest\n"
      "                     (at most 16 bytes)\n"
      "  --password-stdin   read that user's password from standard input\n"
      "  --force            replace the letter's connection when it is in use\n",
      {{"--user", 1}, {"--password-stdin"}, {"--force"}}, 2, 3, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
