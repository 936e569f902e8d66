// Writes what is made from the findway commands at build time: the bash
// completion (--bash-completion) or the manual's synopsis (--man-synopsis).

#include <iostream>
#include <string_view>

#include "cli/command_unit.h"

int main(int argc, char** argv) {
  const std::string_view what = argc == 2 ? argv[1] : "";
  if (what == "--bash-completion") {
    std::cout << kfw::cli::BashCompletion();
  } else if (what == "--man-synopsis") {
    std::cout << kfw::cli::ManSynopsis();
  } else {
    std::cerr << "usage: kfw-findway-docs --bash-completion | --man-synopsis\n";
    return 2;
  }
  return 0;
}
