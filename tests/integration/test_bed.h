#pragma once
// The integration tests' hold on the namespace test bed: starts and stops
// scripts/demo-network with a prefix of the test's own, moves the test
// process into the workstation namespace (so every client socket is created
// there and nothing is sent from the machine's own network), reads the
// simulators' request logs, and builds the requests the devices must have
// received, independently of the program's own builders.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/linux_socket_layer.h"
#include "protocol/management_client.h"

namespace kfw::integration {

using Bytes = std::vector<uint8_t>;

class TestBed {
 public:
  // `configs` maps a segment number to the text of its configuration file.
  TestBed(std::string prefix, std::vector<std::string> startArgs,
          std::map<int, std::string> configs = {});
  ~TestBed();

  // Starts the network and enters its workstation namespace. Sets
  // skipReason() when the machine cannot host the test bed (not root, or the
  // namespace cannot be entered) and failure() when starting it went wrong.
  void Up();
  // Leaves the workstation namespace and stops the network.
  void Down();

  const std::string& skipReason() const { return skip_; }
  const std::string& failure() const { return failure_; }
  const std::string& prefix() const { return prefix_; }

  // Requests a segment's simulator received so far, as lower-case hex.
  std::vector<std::string> LoggedRequests(int segment) const;

  // A UDP socket that lives in the segment's namespace (a "device" of the
  // segment), sending out of its bridge. -1 on failure.
  int SegmentSocket(int segment);

 private:
  bool RunScript(const std::string& args, std::string& output) const;
  bool EnterNamespace(const std::string& name);

  std::string prefix_;
  std::vector<std::string> startArgs_;
  std::map<int, std::string> configs_;
  std::string workDir_;
  std::string skip_;
  std::string failure_;
  int homeNs_ = -1;  // the namespace the process started in
  bool started_ = false;
  std::vector<int> segmentSockets_;
};

std::string Hex(const Bytes& bytes);

// The requests of the management protocol, byte for byte.
Bytes DiscoverRequest(const Bytes& clientId);
Bytes QueryRequest(const Bytes& clientId, const Bytes& deviceId, uint8_t item);
Bytes LoginRequest(const Bytes& clientId, const Bytes& deviceId, const std::string& user,
                   const std::string& password);
Bytes SetRequest(const Bytes& clientId, const Bytes& deviceId, uint8_t item,
                 const std::string& netmask, const std::string& gateway,
                 const std::string& payload);

// One copy of the program on the workstation: its own sockets and client id.
// Create it only inside the workstation namespace.
struct Workstation {
  Workstation() {
    client.SetDiagnostics(&diagnostics);
    started = client.StartNetwork();
  }
  Bytes clientId() const { return Bytes(client.clientId.begin(), client.clientId.end()); }
  // Selects the device at `address` for the targeted exchanges; its device
  // id, or nothing when discovery did not list it.
  Bytes Select(const std::string& address) {
    client.selectedAddress = address;
    const auto* record = client.FindDeviceByAddress(address);
    return record ? Bytes(record->deviceId.begin(), record->deviceId.end()) : Bytes{};
  }

  platform::LinuxSocketLayer sockets;
  platform::SystemClock clock;
  protocol::ManagementClient client{sockets, clock};
  std::ostringstream diagnostics;
  bool started = false;
};

// Seconds since `start`, for duration checks.
double SecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace kfw::integration

// In a fixture's SetUp: skips or fails the test when its test bed is not up.
#define KFW_REQUIRE_TEST_BED(bed)                                    \
  do {                                                               \
    if (!(bed)) GTEST_SKIP() << "test bed not created";              \
    if (!(bed)->skipReason().empty()) GTEST_SKIP() << (bed)->skipReason(); \
    if (!(bed)->failure().empty()) FAIL() << (bed)->failure();       \
  } while (0)
