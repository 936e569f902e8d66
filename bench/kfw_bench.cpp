// kfw-bench: measures discovery and query latency of the management client
// on the network it runs in (the test bed's workstation namespace; see
// scripts/bench). Prints one line of key=value results.
//
//   kfw-bench [--queries N]

#include <algorithm>
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/linux_socket_layer.h"
#include "protocol/management_client.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Latency {
  int answered = 0;
  double median = 0;
  double max = 0;
};

// Runs `operation` `count` times on the selected device; the latency of the
// answered ones.
template <typename Operation>
Latency Measure(int count, Operation operation) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    const auto start = Clock::now();
    const int result = operation();
    const double ms = MsSince(start);
    if (result != 0) times.push_back(ms);
  }
  Latency latency;
  latency.answered = static_cast<int>(times.size());
  if (!times.empty()) {
    std::sort(times.begin(), times.end());
    latency.median = times[times.size() / 2];
    latency.max = times.back();
  }
  return latency;
}

}  // namespace

int main(int argc, char** argv) {
  int queries = 20;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--queries" && i + 1 < args.size()) {
      queries = std::max(0, std::stoi(args[++i]));
    } else {
      std::cerr << "usage: kfw-bench [--queries N]\n";
      return 2;
    }
  }

  kfw::platform::LinuxSocketLayer sockets;
  kfw::platform::SystemClock clock;
  kfw::protocol::ManagementClient client(sockets, clock);
  std::ostringstream diagnostics;
  client.SetDiagnostics(&diagnostics);
  if (!client.StartNetwork()) {
    std::cerr << "kfw-bench: cannot start the network\n";
    return 1;
  }

  const auto start = Clock::now();
  client.DiscoverDevices(kfw::protocol::kCategoryFilter, kfw::protocol::kSubcategoryFilter);
  const double discoverMs = MsSince(start);

  std::cout.setf(std::ios::fixed);
  std::cout.precision(2);
  std::cout << "interfaces=" << client.interfaceCount << " listed=" << client.deviceList.count()
            << " discover_ms=" << discoverMs;
  if (!client.deviceList.empty() && queries > 0) {
    client.selectedAddress = client.deviceList.records().front().address.str();
    client.adminUser = "admin";
    client.adminPassword = "";
    // The login is an exchange without the drain; a value query drains the
    // receive socket for 11 short waits first.
    const Latency login = Measure(queries, [&] { return client.LoginAdministrator(); });
    const Latency value = Measure(queries, [&] { return client.QuerySharename(); });
    std::cout << " queries=" << queries << " login_answered=" << login.answered
              << " login_median_ms=" << login.median << " login_max_ms=" << login.max
              << " value_answered=" << value.answered << " value_median_ms=" << value.median
              << " value_max_ms=" << value.max;
  }
  std::cout << "\n";
  return 0;
}
