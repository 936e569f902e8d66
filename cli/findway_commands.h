#pragma once
// Runs one findway command over the system's services, the way the window runs
// the same core commands: each command that names a device discovers the
// devices first and selects the one at that address.

#include <csignal>
#include <iosfwd>

#include "cli/findway_args.h"

namespace kfw::cli {

enum ExitStatus {
  kSuccess = 0,
  kNotFound = 1,      // nothing answered, no device at the address, an install unconfirmed
  kBadArguments = 2,
  kRefused = 3,       // the device refused: password, disk state, firmware
  kLocalFailure = 4,  // mount, file, browser
};

struct Terminal {
  int in;  // a descriptor: passwords are read from it past any stream buffer
  std::ostream& out;
  std::ostream& err;
  bool inputIsTerminal = false;
  bool errorIsTerminal = false;
};

// Set from a signal handler: ends `discover --watch` after its round.
inline volatile std::sig_atomic_t stopWatching = 0;

// The command's exit status. `command` has been through ParseArguments.
int RunCommand(const Command& command, Terminal& terminal);

}  // namespace kfw::cli
