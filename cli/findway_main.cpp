// findway: the window's commands from a terminal or a script. Every
// argument is checked before the network is started; see `findway --help`.

#include <iostream>
#include <string>
#include <vector>

#include "cli/findway_args.h"
#include "cli/findway_commands.h"
#include "platform/console.h"

namespace {

void StopWatching() { kfw::cli::stopWatching = 1; }

}  // namespace

int main(int argc, char** argv) {
  using namespace kfw::cli;
  const ParseResult parsed = ParseArguments(kfw::platform::CommandArguments(argc, argv));
  if (!parsed.command) {
    std::cerr << "findway: " << parsed.error << "\nTry 'findway --help'.\n";
    return kBadArguments;
  }
  if (parsed.command->watchSeconds > 0) {
    // An interrupt ends the watch as its normal end.
    kfw::platform::OnInterrupt(StopWatching);
  }
  Terminal terminal{/*standard input*/ 0, std::cout, std::cerr, kfw::platform::InputIsTerminal(),
                    kfw::platform::ErrorIsTerminal()};
  return RunCommand(*parsed.command, terminal);
}
