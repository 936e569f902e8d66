// A device floods its segment with junk, as fast as the simulator can send
// it: random bytes, the answer's type from the device with another tool's
// client id, an unused type, and this client's id from another address.
// Discovery, a query, the login and an address change each end within their
// budget and give what they give on a quiet network.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/integration/test_bed.h"

extern char** environ;

namespace kfw::integration {
namespace {

using std::chrono::milliseconds;

// Segment 1: the flooding device and one that answers late in the window.
// Segment 2: a quiet one, so discovery also covers an interface without junk.
constexpr const char* kSegment1 = R"(
[device]
name = Stormy
address = 10.201.1.10
admin_password = pw
ssl = 1
delay_ms = 0-5
flood_rate = max
flood_at_start = off

[device]
name = Latecomer
address = 10.201.1.11
reply_type = 7
delay_ms = 850-900
)";

constexpr const char* kSegment2 = R"(
[device]
name = Calm
address = 10.202.1.20
delay_ms = 0-20
)";

const BedSetup kBed{"kfwf", 2, "", {{1, kSegment1}, {2, kSegment2}}};

// Nominal budgets: discovery's window, the value query's drain and cycles,
// the login's and the address change's cycles.
constexpr milliseconds kDiscoverBudget{1040};
constexpr milliseconds kQueryBudget{110 + 21 * 10 + 20 * 100};
constexpr milliseconds kLoginBudget{11 * 10 + 10 * 100};
constexpr milliseconds kMoveBudget{101 * 10 + 100 * 100};

class Flood : public OnTestBed<kBed> {
 protected:
  // Switches segment 1's flood on or off.
  bool Toggle() {
    std::ifstream in(bed_->stateDir() + "/seg1.pid");
    pid_t pid = 0;
    return (in >> pid) && pid > 0 && kill(pid, SIGUSR1) == 0;
  }

  // Datagrams a second that reach the workstation's link into segment 1,
  // counted on a receive socket of its own for `span`.
  double ArrivingRate(const std::string& localAddress, milliseconds span) {
    platform::LinuxSocketLayer sockets;
    platform::Socket counter(&sockets, sockets.OpenReceiveSocket(localAddress, protocol::kPort,
                                                                 protocol::kGroupAddress));
    if (!counter.valid()) return -1;
    protocol::Buffer buffer{};
    while (sockets.WaitReadable(counter.get(), milliseconds(0)) == 1) {
      sockets.Receive(counter.get(), buffer);
    }
    long long count = 0;
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
      if (sockets.WaitReadable(counter.get(), milliseconds(5)) == 1 &&
          sockets.Receive(counter.get(), buffer) >= 0)
        ++count;
    }
    return count / std::chrono::duration<double>(span).count();
  }
};

struct Outcome {
  std::string result;
  double seconds = 0;
};

TEST_F(Flood, ExchangesKeepTheirResultsAndBudgets) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.interfaceCount(), 2);
  auto& c = ws.client;
  const auto moveTo = [&](const char* address) {
    return c.SetStaticAddress(ws.device, {address, "255.255.0.0", "10.201.0.254"});
  };
  // Each exchange once on a quiet network and once under the flood; the
  // address change moves the device away, and back before the flood.
  const auto select = [&](const char* address) { return !ws.Select(address).empty(); };
  struct Row {
    const char* name;
    milliseconds budget;
    std::function<std::string()> run;
    std::string quietResult;
    Outcome quiet{}, flooded{};
  } rows[] = {
      {"discovery", kDiscoverBudget, [&] {
         c.DiscoverDevices(3, 3);
         std::string listed;
         for (const auto& r : c.deviceList()) listed += r.name.str() + "@" + r.address.str() + " ";
         return listed;
       }, "Stormy@10.201.1.10 Latecomer@10.201.1.11 Calm@10.202.1.20 "},
      {"query ssl", kQueryBudget, [&] {
         select("10.201.1.10");
         const auto ssl = c.QuerySsl(ws.device);
         return std::to_string(ssl.has_value()) + " ssl=" + ssl.value_or("");
       }, "1 ssl=1"},
      {"login", kLoginBudget, [&] {
         select("10.201.1.10");
         return std::to_string(c.LoginAdministrator(ws.device, "admin", "pw"));
       }, "1"},
      {"SetStaticAddress", kMoveBudget, [&] {
         select("10.201.1.10");
         const bool moved = moveTo("10.201.1.30");
         return std::to_string(moved) + " now " + (moved ? "10.201.1.30" : ws.device.address.str());
       }, "1 now 10.201.1.30"},
  };
  const auto timed = [](const Row& row) {
    Outcome o;
    o.seconds = SecondsFor([&] { o.result = row.run(); });
    return o;
  };
  for (Row& row : rows) row.quiet = timed(row);
  // Back where the flood's junk says the device is.
  ASSERT_TRUE(select("10.201.1.30"));
  ASSERT_TRUE(moveTo("10.201.1.10"));

  ASSERT_TRUE(Toggle());
  std::this_thread::sleep_for(milliseconds(300));  // the flood is under way
  const double arriving = ArrivingRate(c.localAddresses()[0], milliseconds(1000));
  for (Row& row : rows) row.flooded = timed(row);
  ASSERT_TRUE(Toggle());
  EXPECT_GE(arriving, 25000) << "a heavy flood reaches the workstation";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.quiet.result, row.quietResult);
    EXPECT_EQ(row.flooded.result, row.quietResult);
    EXPECT_LE(row.flooded.seconds, row.budget.count() * 1.1 / 1000);
    // The targeted exchanges answer at once: the flood must not hold them to
    // a later cycle either (one cycle is 110 ms).
    if (row.budget != kDiscoverBudget) {
      EXPECT_LE(row.flooded.seconds, row.quiet.seconds + 0.11);
    }
  }
}

// A sender that learned the client id from the request forges discovery
// replies from ever new addresses, far faster than any crowd answers.
constexpr const char* kForger = R"(
[device]
name = Crowdmaker
address = 10.201.1.10
flood_rate = max
flood_kinds = forged
)";

const BedSetup kForgedBed{"kfwv", 2, "", {{1, kForger}, {2, kSegment2}}};
using ForgedCrowd = OnTestBed<kForgedBed>;

struct Measured {
  int status = -1;
  std::string out, err;
  long peakKb = 0;  // the program's own peak resident memory
};

// Runs build/findway with `args` and measures it alone (wait4), which
// RunFindway's shell would not.
Measured MeasureFindway(const Strings& args) {
  Measured m;
  std::string dir = "/tmp/kfw-forged-XXXXXX";
  if (!mkdtemp(dir.data())) return m;
  const std::string program = std::string(KFW_BINARY_DIR) + "/findway";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, (dir + "/out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&files, 2, (dir + "/err").c_str(), O_WRONLY | O_CREAT, 0600);
  pid_t pid = -1;
  int status = 0;
  rusage usage{};
  if (posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), environ) == 0 &&
      wait4(pid, &status, 0, &usage) == pid) {
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m.peakKb = usage.ru_maxrss;
  }
  posix_spawn_file_actions_destroy(&files);
  const auto read = [&](const char* name) {
    std::ifstream in(dir + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  m.out = read("out");
  m.err = read("err");
  std::filesystem::remove_all(dir);
  return m;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST_F(ForgedCrowd, FindwayListsABoundedCrowdInBoundedMemoryAndSaysSo) {
  const Measured run = MeasureFindway({"discover", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::cout << "findway discover under the forged flood: peak " << run.peakKb << " kB\n";
  std::map<int, int> perInterface;
  bool calm = false;
  for (const auto& device : nlohmann::json::parse(run.out)) {
    ++perInterface[device["interface"] == "10.201.0.1" ? 0 : 1];
    calm = calm || device["ip"] == "10.202.1.20";
  }
  EXPECT_EQ(perInterface[0], protocol::kMaxDevicesPerInterface) << "the flood fills one interface's list";
  EXPECT_EQ(perInterface[1], 1);
  EXPECT_TRUE(calm) << "the quiet segment is still heard";
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("dropped"), std::string::npos) << run.err;
  // The program with a quiet network peaks near 20 MB; an unbounded list
  // grows by about 1 kB a forged reply, tens of thousands in this window.
  // AddressSanitizer's shadow and quarantine make any figure of its build
  // meaningless; the counts above still hold the bound there.
  if (!kAddressSanitizer) {
    EXPECT_LE(run.peakKb, 36 * 1024);
  }
}

}  // namespace
}  // namespace kfw::integration
