#pragma once
// How a command ended, in the one shape every command reports: its own
// outcome, the kind of failure (what findway's exit status tells a
// script), and the reason underneath in words, as the system, the file
// server or the device gave it. The window keeps to its messages and
// offers the reason behind them; findway prints it on a line of its own.

#include <string>

namespace kfw::core {

enum class Failure {
  None,
  NotFound,  // nothing answered, the device is gone, or it never confirmed
  BadInput,  // refused before anything was sent: the user's input
  Refused,   // the device or the share said no: password, disk state, firmware
  Local,     // the workstation's side: a mount, a file, a browser
};

struct CommandEnd {
  Failure failure = Failure::None;
  std::string detail;  // empty when there is nothing to add to the message
  bool ok() const { return failure == Failure::None; }
};

template <class Outcome>
struct CommandResult : CommandEnd {
  Outcome outcome{};
};

}  // namespace kfw::core
