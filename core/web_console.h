#pragma once
// The Configuration command: the selected device's web console opened in
// the desktop's default browser, once a check on a worker thread has found
// that the device still answers.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/command_result.h"
#include "core/interaction.h"
#include "platform/clock.h"
#include "platform/programs.h"

namespace kfw::core {

struct WebConsoleServices {
  platform::ProgramStarter& programs;
  platform::DefaultBrowser& browser;
  platform::Reachability& reachability;
  platform::Clock& clock;
  Interaction& user;
};

enum class ConsoleOutcome {
  NoDevice,    // warned: no device row is selected
  Started,     // the browser was asked to start; a failure's detail says why it did not
  DeviceGone,  // warned: the caller rebuilds the drive views and the device list, deviceSelected 0
};

// The console's address: https when `sslValue` holds "1", else http.
std::string ConsoleUrl(std::string_view host, std::string_view sslValue);

// The command line that opens `host`'s console: the browser's own command
// line and the address, or the explorer form for a browser whose key name
// holds "IE"; https when `sslValue` holds "1".
std::string ConsoleCommandLine(platform::DefaultBrowser& browser, std::string_view host,
                               std::string_view sslValue);

class WebConsole {
 public:
  // Starts a check; production runs it on a thread of its own.
  using Spawn = std::function<void(std::function<void()> check)>;

  explicit WebConsole(const WebConsoleServices& services, Spawn spawn = {});
  ~WebConsole();  // waits for checks still running, each at most its own time-out
  WebConsole(const WebConsole&) = delete;
  WebConsole& operator=(const WebConsole&) = delete;

  // `deviceAddress` is the selected device row's "IP" text; `sslValue` the
  // device's secure-console answer.
  CommandResult<ConsoleOutcome> OpenWebConsole(const std::optional<std::string>& deviceAddress,
                                               std::string_view sslValue);

  // Check threads started and not yet joined (the program's own threads).
  std::size_t runningChecks() const { return threads_.size(); }

 private:
  // 0 pending, 1 reachable, -1 unreachable. Each press has its own, so a
  // check that ends after its press gave up never decides a later one.
  struct Check {
    std::atomic<int> reachability{0};
  };
  bool WaitDeviceReachable(Check& check);

  // A check's thread and whether it has ended: ended ones are joined at the
  // next press, so a long session of presses does not keep a thread each.
  struct CheckThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
  };
  void JoinEnded();

  WebConsoleServices services_;
  Spawn spawn_;
  std::vector<CheckThread> threads_;
};

}  // namespace kfw::core
