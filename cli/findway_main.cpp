// findway: the window's commands from a terminal or a script. Every
// argument is checked before the network is started; see `findway --help`.

#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/findway_args.h"
#include "cli/findway_commands.h"

namespace {

void StopWatching(int) { kfw::cli::stopWatching = 1; }

}  // namespace

int main(int argc, char** argv) {
  using namespace kfw::cli;
  const ParseResult parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.command) {
    std::cerr << "findway: " << parsed.error << "\nTry 'findway --help'.\n";
    return kBadArguments;
  }
  if (parsed.command->watchSeconds > 0) {
    // An interrupt ends the watch as its normal end.
    struct sigaction stop{};
    stop.sa_handler = StopWatching;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
  }
  Terminal terminal{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) == 1, isatty(STDERR_FILENO) == 1};
  return RunCommand(*parsed.command, terminal);
}
