#pragma once
// The integration tests' hold on the namespace test bed: starts and stops
// scripts/demo-network with a prefix of the test's own, moves the test
// process into the workstation namespace (so every client socket is created
// there and nothing is sent from the machine's own network), reads the
// simulators' request logs, and builds the requests the devices must have
// received, independently of the program's own builders.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
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
using Strings = std::vector<std::string>;
using protocol::ManagementClient;

// What `demo-network start` is given: the namespaces' prefix, the number of
// segments, further arguments, and the configuration file of each segment
// that has one (by segment number).
struct BedSetup {
  std::string prefix;
  int segments;
  std::string startArgs;
  std::map<int, std::string> configs;
};

class TestBed {
 public:
  explicit TestBed(BedSetup setup);
  ~TestBed() { Down(); }

  // Starts the network and enters its workstation namespace. Sets
  // skipReason() when the machine cannot host the test bed (not root, or the
  // namespace cannot be entered) and failure() when starting it went wrong.
  void Up();
  // Leaves the workstation namespace and stops the network.
  void Down();

  const std::string& skipReason() const { return skip_; }
  // The folder of the network's state: the simulators' configurations, logs
  // and, with --smb, their SMB servers (smb-segK/).
  const std::string& stateDir() const { return workDir_; }
  const std::string& failure() const { return failure_; }

  // The requests each segment's simulator received while `action` ran, as
  // lower-case hex.
  std::map<int, Strings> RequestsDuring(const std::function<void()>& action) const;

  // What the devices of the segment took of the add-on set requests, in
  // order, as "ITEM TEXT": "access_mode rw", "codepage 950", "addon BT",
  // "control stop"; and "vanished SHARE" when a device's share went. Only
  // the device at `address` when one is given.
  Strings Events(int segment, const std::string& address = "") const;

 private:
  bool RunScript(const std::string& args, std::string& output) const;
  // Every request each segment's simulator has received so far.
  std::map<int, Strings> LoggedRequests() const;

  BedSetup setup_;
  std::string workDir_, skip_, failure_;
  int homeNs_ = -1;  // the namespace the process started in
  bool started_ = false;
};

// A suite whose tests share one test bed, started before its first test; a
// test is skipped or fails when the bed is not up.
template <const BedSetup& kSetup>
class OnTestBed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>(kSetup);
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override {
    if (!bed_->skipReason().empty()) GTEST_SKIP() << bed_->skipReason();
    if (!bed_->failure().empty()) FAIL() << bed_->failure();
  }

  static inline std::unique_ptr<TestBed> bed_;
};

std::string Hex(const Bytes& bytes);
double SecondsFor(const std::function<void()>& action);

inline const std::string kLoginSeparator = "\x55\xAA";

// A request of the management protocol, byte for byte: discovery (type 1),
// query (3) or set (5) of `item` to `deviceId`, with its payload and, for a
// set, the netmask and gateway fields.
Bytes Request(const Bytes& clientId, uint8_t type, const Bytes& deviceId = {}, uint8_t item = 0,
              const std::string& payload = "", const std::string& netmask = "",
              const std::string& gateway = "");

struct Ran {
  int status = -1;
  std::string out, err;
};

// Runs build/findway in this process's namespace with `args`, `input` on
// its standard input and `env` added to the environment; with
// `interruptAfterSeconds`, SIGINT is sent to it then.
Ran RunFindway(const Strings& args, const std::string& input = "", const Strings& env = {},
               int interruptAfterSeconds = 0);

// One copy of the program on the workstation: its own sockets and client id.
// Create it only inside the workstation namespace.
struct Workstation {
  Workstation() {
    client.SetDiagnostics(&diagnostics);
    started = client.StartNetwork();
  }
  Bytes clientId() const { return Bytes(client.clientId().begin(), client.clientId().end()); }
  // Selects the device at `address` for the targeted exchanges; its device
  // id, or nothing when discovery did not list it.
  Bytes Select(const std::string& address) {
    device = client.DeviceAt(address);
    const auto* record = client.FindDeviceByAddress(address);
    return record ? Bytes(record->deviceId.begin(), record->deviceId.end()) : Bytes{};
  }

  platform::LinuxSocketLayer sockets;
  platform::SystemClock clock;
  ManagementClient client{sockets, clock};
  std::ostringstream diagnostics;
  bool started = false;
  protocol::DeviceRecord device;  // the selected one
};

}  // namespace kfw::integration
