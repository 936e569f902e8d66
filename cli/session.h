#pragma once
// What the findway commands share while they run: the network with its
// discovery and selection, the source of passwords, the terminal's side
// of the seam, and the exit status each kind of failure ends in.

#include <csignal>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/terminal.h"
#include "cli/terminal_interaction.h"
#include "core/addon_install.h"
#include "core/command_result.h"
#include "platform/native.h"
#include "protocol/management_client.h"

namespace kfw::cli {

enum ExitStatus {
  kSuccess = 0,
  kNotFound = 1,      // nothing answered, no device at the address, an install unconfirmed
  kBadArguments = 2,
  kRefused = 3,       // the device refused: password, disk state, firmware
  kLocalFailure = 4,  // mount, file, browser
};

int ExitStatusOf(core::Failure failure);

// Set from a signal handler: ends `discover --watch` after its round.
inline volatile std::sig_atomic_t stopWatching = 0;

// The management client with its sockets. Only a command that has passed
// every check of its arguments and of the workstation starts one.
class Network {
 public:
  Network();
  bool Start(std::ostream& err);
  // One discovery; says on `err` what it heard and would not list.
  void Discover();
  // Discovers, then selects the device at `address` as a click on its row
  // does; nothing when none answered from there.
  const protocol::DeviceRecord* Select(const std::string& address);
  // A device outside the subnet of the interface that found it, which the
  // window offers no `command` for: said on standard error, and the command
  // still runs (a script may know the way there better than the netmask).
  void NoteSubnet(const protocol::DeviceRecord& device, std::string_view command);

  protocol::ManagementClient& client() { return client_; }
  platform::Clock& clock() { return clock_; }
  const std::string& selected() const { return selected_; }

 private:
  // The client's trace of the values it reads is for the window's
  // developers; a script reads the command's own output.
  std::ostream unheard_{nullptr};
  platform::NativeSocketLayer sockets_;
  platform::SystemClock clock_;
  protocol::ManagementClient client_{sockets_, clock_};
  std::ostream* err_ = nullptr;
  std::string selected_;
};

// Where the Login dialog's password comes from: standard input with
// --password-stdin, else a prompt on the terminal.
std::unique_ptr<PasswordSource> Passwords(bool passwordStdin, Terminal& terminal);

// The add-on waits; the integration tests shrink them (Loading, the state
// polls, the restart's 90 seconds) through KFW_TEST_SHORT_WAITS=1.
core::AddonTimings AddonWaits();

}  // namespace kfw::cli
