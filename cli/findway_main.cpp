// findway: the headless command over the management client, for scripting
// and the demo.
//
//   findway discover [--json]      one row per device found, or a JSON array
//   findway query ADDRESS ITEM     one value of the device at ADDRESS
//
// Exit status: 0 success, 1 nothing answered, 2 bad arguments.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/findway_output.h"
#include "platform/clock.h"
#include "platform/linux/linux_socket_layer.h"
#include "protocol/management_client.h"

namespace {

using kfw::protocol::ManagementClient;

constexpr const char* kUsage =
    "usage: findway discover [--json]\n"
    "       findway query ADDRESS ITEM\n"
    "ITEM is one of: shares, ssl, sharename, ideok, bt_firmware, domain, codepage, workgroup\n";

int BadArguments(const std::string& why) {
  std::cerr << "findway: " << why << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return BadArguments("no command given");
  const std::string& command = args[0];
  bool json = false;
  if (command == "discover") {
    if (args.size() > 2 || (args.size() == 2 && args[1] != "--json")) {
      return BadArguments("discover takes only --json");
    }
    json = args.size() == 2;
  } else if (command == "query") {
    if (args.size() != 3) return BadArguments("query needs ADDRESS and ITEM");
    uint8_t octets[4];
    if (!kfw::protocol::AddressBytes(args[1], octets)) {
      return BadArguments(kfw::cli::EchoedArgument(args[1]) + " is not an IPv4 address");
    }
    const auto& items = kfw::cli::QueryItems();
    if (std::find(items.begin(), items.end(), args[2]) == items.end()) {
      return BadArguments("unknown item " + kfw::cli::EchoedArgument(args[2]));
    }
  } else if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  } else {
    return BadArguments("unknown command " + kfw::cli::EchoedArgument(command));
  }

  kfw::platform::LinuxSocketLayer sockets;
  kfw::platform::SystemClock clock;
  ManagementClient client(sockets, clock);
  if (!client.StartNetwork()) {
    std::cerr << "findway: the network could not be started\n";
    return 1;
  }
  client.DiscoverDevices(kfw::protocol::kCategoryFilter, kfw::protocol::kSubcategoryFilter);

  if (command == "discover") {
    json ? kfw::cli::WriteDeviceJson(std::cout, client)
         : kfw::cli::WriteDeviceTable(std::cout, client);
    return client.deviceList.empty() ? 1 : 0;
  }

  // query: the address names a device found by the discovery above.
  uint8_t octets[4];
  kfw::protocol::AddressBytes(args[1], octets);
  const std::string address = kfw::protocol::FormatAddress(octets);
  if (!client.FindDeviceByAddress(address)) {
    std::cerr << "findway: no device answered at " << address << "\n";
    return 1;
  }
  client.selectedAddress = address;
  if (!kfw::cli::RunQuery(std::cout, client, args[2])) {
    std::cerr << "findway: " << address << " did not answer the " << args[2] << " query\n";
    return 1;
  }
  return 0;
}
