// findway unmap: a drive letter's mapping removed, as Disconnect does.

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "core/drive_mapping.h"

namespace kfw::cli {
namespace {

int Unmap(const std::string& letter, Terminal& terminal) {
  // Disconnect asks nothing of the network: the client is never started.
  platform::NativeSocketLayer sockets;
  platform::SystemClock clock;
  protocol::ManagementClient client(sockets, clock);
  platform::NativeNetworkDrives drives;
  platform::NativeSystemInfo system;
  StreamPassword noPasswords(terminal.in);
  TerminalInteraction user({"", std::nullopt, false, -1, terminal.errorIsTerminal}, noPasswords, terminal.err,
                           clock);
  core::DriveMappingInput input;
  input.driveItem = letter;
  return ExitStatusOf(core::DisconnectDrive({client, drives, system, user}, input).failure);
}

Parsed Parse(const Arguments& arguments) {
  const auto letter = DriveLetter(arguments.positional[0]);
  if (!letter) return Parsed::Refuse(EchoedArgument(arguments.positional[0]) + " is not a drive letter");
  return {[letter = *letter](Terminal& terminal) { return Unmap(letter, terminal); }, {}};
}

}  // namespace

const CommandUnit& UnmapCommand() {
  static const CommandUnit unit{"unmap", "LETTER", "remove a drive letter's mapping",
                                "Removes the mapping of drive LETTER (such as K or K:).\n", {}, 1, 1, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
