// findway discover: the device list, once or as it changes.

#include <charconv>
#include <vector>

#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "platform/console.h"

namespace kfw::cli {
namespace {

constexpr int kMaxWatchSeconds = 86400;

void StopWatching() { stopWatching = 1; }

int Discover(bool json, int watchSeconds, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  protocol::ManagementClient& client = network.client();
  if (watchSeconds == 0) {
    network.Discover();
    json ? WriteDeviceJson(terminal.out, client) : WriteDeviceTable(terminal.out, client);
    return client.deviceList().empty() ? kNotFound : kSuccess;
  }
  // An interrupt ends the watch as its normal end.
  platform::OnInterrupt(StopWatching);
  std::vector<SeenDevice> seen;
  while (!stopWatching) {
    network.Discover();
    if (stopWatching) break;
    const std::vector<SeenDevice> now = SeenDevices(client);
    WriteDeviceChanges(terminal.out, seen, now, json);
    seen = now;
    // Short naps, so an interrupt ends the watch without a round's delay.
    for (int i = 0; i < watchSeconds * 10 && !stopWatching; ++i) {
      network.clock().Sleep(std::chrono::milliseconds(100));
    }
  }
  return kSuccess;
}

Parsed Parse(const Arguments& arguments) {
  int seconds = 0;
  if (const auto text = arguments.Value("--watch")) {
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), seconds);
    if (ec != std::errc() || end != text->data() + text->size() || seconds < 1 || seconds > kMaxWatchSeconds) {
      return Parsed::Refuse("--watch needs a number of seconds from 1 to 86400, not " + EchoedArgument(*text));
    }
  }
  const bool json = arguments.Has("--json");
  return {[json, seconds](Terminal& terminal) { return Discover(json, seconds, terminal); }, {}};
}

}  // namespace

const CommandUnit& DiscoverCommand() {
  static const CommandUnit unit{
      "discover", "[--json] [--watch SECONDS]", "list the devices found",
      "Lists the devices that answer a discovery on every local network.\n"
      "  --json             a JSON array of objects with the keys name, ip, netmask,\n"
      "                     gateway, dhcp, model, interface\n"
      "  --watch SECONDS    discover again every SECONDS (1-86400) and print each\n"
      "                     device that appears or vanishes (\"appeared\" or \"vanished\"\n"
      "                     and its row; with --json one object a line with the key\n"
      "                     event added), until interrupted\n"
      "Exit status 1 when no device answered (without --watch).\n",
      {{"--json"}, {"--watch", 1}}, 0, 0, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
