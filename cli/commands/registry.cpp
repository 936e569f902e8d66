// The findway commands, in the order the overview lists them. A new
// command is its file in this folder and its line here.

#include "cli/command_unit.h"

namespace kfw::cli {

const CommandUnit& DiscoverCommand();
const CommandUnit& QueryCommand();
const CommandUnit& SetAddressCommand();
const CommandUnit& MapCommand();
const CommandUnit& UnmapCommand();
const CommandUnit& DrivesCommand();
const CommandUnit& ConsoleCommand();
const CommandUnit& InstallLanguageCommand();
const CommandUnit& InstallBitTorrentCommand();

const std::vector<const CommandUnit*>& Commands() {
  static const std::vector<const CommandUnit*> commands{
      &DiscoverCommand(), &QueryCommand(),   &SetAddressCommand(),      &MapCommand(),
      &UnmapCommand(),    &DrivesCommand(),  &ConsoleCommand(),         &InstallLanguageCommand(),
      &InstallBitTorrentCommand(),
  };
  return commands;
}

}  // namespace kfw::cli
