// kfw-bench: measures discovery and query latency of the management client
// on the network it runs in (the test bed's workstation namespace; see
// scripts/bench). Prints one line of key=value results.
//
//   kfw-bench [--queries N]
//   kfw-bench --compare-discovery [--rounds N]
//   kfw-bench --place HOST [--runs N]
//
// --place times placing the BitTorrent program (payload BT 215) on
// \\HOST\HDD_a against smbclient's put of the same bytes to the same share.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "addons/payload_store.h"
#include "addons/place_payload.h"
#include "platform/clock.h"
#include "platform/linux/smb_share_files.h"
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

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times.empty() ? 0 : times[times.size() / 2];
}

// The median of `runs` placements of the program through the tool and
// through smbclient, each to a file of its own on the share.
int BenchPlacement(const std::string& host, int runs) {
  const auto bytes = kfw::addons::FindPayload("BT", 215)->bytes;
  char local[] = "/tmp/kfw-bench-bt-XXXXXX";
  const int fd = mkstemp(local);
  if (fd < 0) return 1;
  close(fd);
  std::ofstream(local, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const std::string put = "smbclient //" + host + "/HDD_a -N -c 'put " + local +
                          " kfw-bench-smbclient' >/dev/null 2>&1";

  std::vector<double> tool, smbclient;
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    // A new connection each time, as smbclient makes one.
    kfw::platform::SmbShareFiles files;
    kfw::addons::SharePayloadPlacer placer(files);
    auto start = Clock::now();
    ok = placer.PlacePayload("BT", 215, "\\\\" + host + "\\HDD_a\\kfw-bench-tool", "") && ok;
    tool.push_back(MsSince(start));
    start = Clock::now();
    ok = std::system(put.c_str()) == 0 && ok;
    smbclient.push_back(MsSince(start));
  }
  unlink(local);
  const double toolMs = Median(tool), smbclientMs = Median(smbclient);
  std::cout.setf(std::ios::fixed);
  std::cout.precision(2);
  std::cout << "place_ok=" << ok << " bytes=" << bytes.size() << " runs=" << runs
            << " tool_ms=" << toolMs << " smbclient_ms=" << smbclientMs
            << " speed_ratio=" << (toolMs > 0 ? smbclientMs / toolMs : 0) << "\n";
  return ok ? 0 : 1;
}

// The fields of every record, one text per record, in list order.
std::vector<std::string> ListedRecords(const kfw::protocol::ManagementClient& client) {
  std::vector<std::string> out;
  for (const auto& r : client.deviceList()) {
    out.push_back(std::to_string(r.interfaceIndex) + " " + r.address.str() + " " + r.name.str() +
                  " " + r.model.str());
  }
  return out;
}

// Listening one interface after another against all at once, on the same
// network, alternating for `rounds` rounds: the median time of each, the
// devices listed, and whether every round listed the same records.
void CompareDiscovery(kfw::protocol::ManagementClient& client, int rounds) {
  std::vector<double> oneByOne, together;
  std::vector<std::string> first;
  bool same = true;
  int listed = 0;
  for (int round = 0; round < rounds; ++round) {
    for (const bool parallel : {false, true}) {
      const auto start = Clock::now();
      if (parallel) {
        client.DiscoverDevices(kfw::protocol::kCategoryFilter, kfw::protocol::kSubcategoryFilter);
      } else {
        client.DiscoverDevicesSequentially(kfw::protocol::kCategoryFilter,
                                           kfw::protocol::kSubcategoryFilter);
      }
      (parallel ? together : oneByOne).push_back(MsSince(start));
      // The simulated devices draw new delays for every request, so the
      // arrival order within an interface differs between rounds: compare
      // the records, not their order.
      auto records = ListedRecords(client);
      std::sort(records.begin(), records.end());
      if (round == 0 && !parallel) first = records;
      same = same && records == first;
      listed = static_cast<int>(records.size());
    }
  }
  std::cout.setf(std::ios::fixed);
  std::cout.precision(2);
  std::cout << "interfaces=" << client.interfaceCount() << " listed=" << listed
            << " rounds=" << rounds << " sequential_ms=" << Median(oneByOne)
            << " parallel_ms=" << Median(together) << " same_records=" << (same ? 1 : 0) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  int queries = 20, runs = 5;
  std::string placeHost;
  bool compareDiscovery = false;
  int rounds = 3;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--queries" && i + 1 < args.size()) {
      queries = std::max(0, std::stoi(args[++i]));
    } else if (args[i] == "--place" && i + 1 < args.size()) {
      placeHost = args[++i];
    } else if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, std::stoi(args[++i]));
    } else if (args[i] == "--compare-discovery") {
      compareDiscovery = true;
    } else if (args[i] == "--rounds" && i + 1 < args.size()) {
      rounds = std::max(1, std::stoi(args[++i]));
    } else {
      std::cerr << "usage: kfw-bench [--queries N] | --compare-discovery [--rounds N] | --place HOST [--runs N]\n";
      return 2;
    }
  }
  if (!placeHost.empty()) return BenchPlacement(placeHost, runs);

  kfw::platform::LinuxSocketLayer sockets;
  kfw::platform::SystemClock clock;
  kfw::protocol::ManagementClient client(sockets, clock);
  std::ostringstream diagnostics;
  client.SetDiagnostics(&diagnostics);
  if (!client.StartNetwork()) {
    std::cerr << "kfw-bench: cannot start the network\n";
    return 1;
  }
  if (compareDiscovery) {
    CompareDiscovery(client, rounds);
    return 0;
  }

  const auto start = Clock::now();
  client.DiscoverDevices(kfw::protocol::kCategoryFilter, kfw::protocol::kSubcategoryFilter);
  const double discoverMs = MsSince(start);

  std::cout.setf(std::ios::fixed);
  std::cout.precision(2);
  std::cout << "interfaces=" << client.interfaceCount() << " listed=" << client.deviceList().count()
            << " discover_ms=" << discoverMs;
  if (!client.deviceList().empty() && queries > 0) {
    const kfw::protocol::DeviceRecord device = client.deviceList().records().front();
    // The login is an exchange without the drain; a value query drains the
    // receive socket for 11 short waits first.
    const Latency login = Measure(queries, [&] { return client.LoginAdministrator(device, "admin", ""); });
    const Latency value = Measure(queries, [&] { return client.QuerySharename(device) ? 1 : 0; });
    std::cout << " queries=" << queries << " login_answered=" << login.answered
              << " login_median_ms=" << login.median << " login_max_ms=" << login.max
              << " value_answered=" << value.answered << " value_median_ms=" << value.median
              << " value_max_ms=" << value.max;
  }
  std::cout << "\n";
  return 0;
}
