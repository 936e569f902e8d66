// findway: the window's commands from a terminal or a script. Every
// argument is checked before the network is started; see `findway --help`.

#include <iostream>

#include "cli/command_unit.h"
#include "cli/session.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  using namespace kfw::cli;
  const ParseResult parsed = ParseArguments(kfw::platform::CommandArguments(argc, argv));
  if (!parsed.run) {
    std::cerr << "findway: " << parsed.error << "\nTry 'findway --help'.\n";
    return kBadArguments;
  }
  Terminal terminal{/*standard input*/ 0, std::cout, std::cerr, kfw::platform::InputIsTerminal(),
                    kfw::platform::ErrorIsTerminal()};
  return parsed.run(terminal);
}
