#pragma once
// Where a findway command reads and writes.

#include <iosfwd>

namespace kfw::cli {

struct Terminal {
  int in;  // a descriptor: passwords are read from it past any stream buffer
  std::ostream& out;
  std::ostream& err;
  bool inputIsTerminal = false;
  bool errorIsTerminal = false;
};

}  // namespace kfw::cli
