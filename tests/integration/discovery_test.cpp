// Discovery across two segments, the per-interface isolation of the receive
// sockets, and two copies of the program on one workstation.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <set>
#include <cstring>
#include <thread>

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

using protocol::ManagementClient;

constexpr const char* kSegment1 = R"(
[device]
name = Archive
address = 10.201.1.10
netmask = 255.255.0.0
gateway = 10.201.0.254
model = KX-450R
reply_type = 8
id_prefix = 001132a40001
delay_ms = 0-20

[device]
name = Studio
address = 10.201.1.11
netmask = 255.255.255.0
gateway = 10.201.1.1
reply_type = 7
dhcp = 1
id_prefix = 001132a40002
delay_ms = 0-30

[device]
name = Basement
address = 10.201.1.12
netmask = 255.255.0.0
gateway =
reply_type = 2
id_prefix = 001132a40003
duplicates = 2
)";

constexpr const char* kSegment2 = R"(
[device]
name = Office
address = 10.202.1.20
netmask = 255.255.0.0
gateway = 10.202.0.254
model = KX-2200
reply_type = 8
id_prefix = 001132b50001
junk_flood = 6
junk_interval_ms = 2
delay_ms = 5-40

[device]
name = Foreign
address = 10.202.1.23
reply_type = 7
category = 1

[device]
name = Plain
address = 10.202.1.24
netmask = 255.255.0.0
gateway = 10.202.0.254
reply_type = 2
id_prefix = 001132b50002
)";

struct Expected {
  std::string name, address, netmask, gateway, dhcp, model;
  int slot;
};

const std::vector<Expected> kListed = {
    {"Archive", "10.201.1.10", "255.255.0.0", "10.201.0.254", "0", "KX-450R", 0},
    {"Studio", "10.201.1.11", "255.255.255.0", "10.201.1.1", "1", "", 0},
    {"Basement", "10.201.1.12", "255.255.0.0", "", "0", "", 0},
    {"Office", "10.202.1.20", "255.255.0.0", "10.202.0.254", "0", "KX-2200", 1},
    {"Plain", "10.202.1.24", "255.255.0.0", "10.202.0.254", "0", "", 1},
};

class TwoSegments : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>("kfwt", std::vector<std::string>{"--segments", "2"},
                                     std::map<int, std::string>{{1, kSegment1}, {2, kSegment2}});
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override { KFW_REQUIRE_TEST_BED(bed_.get()); }

  static void ExpectAllListed(const ManagementClient& client) {
    ASSERT_EQ(client.deviceList.count(), static_cast<int>(kListed.size()));
    for (const Expected& e : kListed) {
      SCOPED_TRACE(e.name);
      const auto* r = client.deviceList.Find(e.address);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->name.str(), e.name);
      EXPECT_EQ(r->netmask.str(), e.netmask);
      EXPECT_EQ(r->gateway.str(), e.gateway);
      EXPECT_EQ(r->dhcpFlag.str(), e.dhcp);
      EXPECT_EQ(r->model.str(), e.model);
      EXPECT_EQ(r->interfaceIndex, e.slot);
      in_addr a{};
      inet_pton(AF_INET, e.address.c_str(), &a);
      EXPECT_EQ(0, std::memcmp(r->deviceId.data() + 6, &a, 4));
    }
  }

  static std::unique_ptr<TestBed> bed_;
};
std::unique_ptr<TestBed> TwoSegments::bed_;

TEST_F(TwoSegments, ListsTheDevicesOfBothSegmentsEachOnItsInterface) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.localAddresses, (std::vector<std::string>{"10.201.0.1", "10.202.0.1"}));
  const std::size_t before1 = bed_->LoggedRequests(1).size();
  const std::size_t before2 = bed_->LoggedRequests(2).size();

  const auto start = std::chrono::steady_clock::now();
  ws.client.DiscoverDevices(3, 3);
  const double seconds = SecondsSince(start);

  ExpectAllListed(ws.client);
  EXPECT_EQ(ws.client.deviceList.Find("10.202.1.23"), nullptr) << "category 1 is filtered out";
  EXPECT_GE(seconds, 2 * 0.72);
  EXPECT_LE(seconds, 2 * 1.04 * 1.1);

  // Each segment heard exactly the two copies of the request, on its own link.
  const std::string request = Hex(DiscoverRequest(ws.clientId()));
  for (auto [segment, before] : {std::pair{1, before1}, std::pair{2, before2}}) {
    SCOPED_TRACE(segment);
    const auto log = bed_->LoggedRequests(segment);
    ASSERT_EQ(log.size(), before + 2);
    EXPECT_EQ(log[before], request);
    EXPECT_EQ(log[before + 1], request);
  }
}

TEST_F(TwoSegments, EachInterfaceSocketHearsOnlyItsOwnLink) {
  platform::LinuxSocketLayer layer;
  const auto addresses = layer.LocalAddresses();
  ASSERT_EQ(addresses, (std::vector<std::string>{"10.201.0.1", "10.202.0.1"}));
  platform::Socket receive[2] = {
      {&layer, layer.OpenReceiveSocket(addresses[0], 13579, "224.0.0.1")},
      {&layer, layer.OpenReceiveSocket(addresses[1], 13579, "224.0.0.1")}};
  ASSERT_TRUE(receive[0].valid() && receive[1].valid());

  for (int segment : {1, 2}) {
    SCOPED_TRACE("from segment " + std::to_string(segment));
    const int fd = bed_->SegmentSocket(segment);
    ASSERT_GE(fd, 0);
    // A multicast to the group and a unicast to the workstation's address on
    // that link, marked so they cannot be confused with the devices' replies.
    const uint8_t marker[] = {9, static_cast<uint8_t>(segment), 0x5A};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(13579);
    inet_pton(AF_INET, "224.0.0.1", &to.sin_addr);
    ASSERT_EQ(sendto(fd, marker, sizeof marker, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 3);
    inet_pton(AF_INET, addresses[segment - 1].c_str(), &to.sin_addr);
    ASSERT_EQ(sendto(fd, marker, sizeof marker, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 3);

    const int own = segment - 1, other = 1 - own;
    for (int copy = 0; copy < 2; ++copy) {
      ASSERT_EQ(layer.WaitReadable(receive[own].get(), std::chrono::milliseconds(500)), 1);
      std::vector<uint8_t> buffer(64);
      ASSERT_EQ(layer.Receive(receive[own].get(), buffer), 3);
      EXPECT_EQ(buffer[1], segment);
    }
    EXPECT_EQ(layer.WaitReadable(receive[other].get(), std::chrono::milliseconds(200)), 0)
        << "the other interface's socket received traffic of segment " << segment;
  }
}

TEST_F(TwoSegments, TwoCopiesOnOneWorkstationBothDiscoverAndQuery) {
  // Both copies run at once, as two programs would: each sees the other's
  // requests and the replies meant for the other, and must not be misled.
  Workstation first, second;
  ASSERT_TRUE(first.started && second.started);
  ASSERT_NE(first.clientId(), second.clientId());
  int logins[2] = {0, 0};
  int domains[2] = {0, 0};
  auto run = [](Workstation& ws, int& login, int& domain) {
    ws.client.DiscoverDevices(3, 3);
    ws.Select("10.202.1.20");
    ws.client.adminUser = "admin";
    ws.client.adminPassword = "";
    login = ws.client.LoginAdministrator();
    domain = ws.client.QueryDomain();
  };
  std::thread a(run, std::ref(first), std::ref(logins[0]), std::ref(domains[0]));
  std::thread b(run, std::ref(second), std::ref(logins[1]), std::ref(domains[1]));
  a.join();
  b.join();
  for (Workstation* ws : {&first, &second}) {
    SCOPED_TRACE(ws == &first ? "first copy" : "second copy");
    ExpectAllListed(ws->client);
  }
  EXPECT_EQ(logins[0], 1);
  EXPECT_EQ(logins[1], 1);
  EXPECT_EQ(domains[0], 1);
  EXPECT_EQ(domains[1], 1);
}

// The demo's own network: started as scripts/demo starts it, with the shipped
// device configurations.
class DemoNetwork : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>("kfwm", std::vector<std::string>{});
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override { KFW_REQUIRE_TEST_BED(bed_.get()); }

  static std::unique_ptr<TestBed> bed_;
};
std::unique_ptr<TestBed> DemoNetwork::bed_;

TEST_F(DemoNetwork, ListsEveryKindOfDeviceTheDemoShips) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ws.client.DiscoverDevices(3, 3);
  ASSERT_EQ(ws.client.deviceList.count(), 6);
  std::set<int> slots;
  std::set<std::string> models;
  int dhcpOn = 0;
  for (const auto& r : ws.client.deviceList) {
    slots.insert(r.interfaceIndex);
    models.insert(r.model.str());
    dhcpOn += r.dhcpFlag == "1";
  }
  EXPECT_EQ(slots, (std::set<int>{0, 1}));
  EXPECT_GE(models.size(), 3u) << "type 8 models and the model-less types 2 and 7";
  EXPECT_TRUE(models.count(""));
  EXPECT_EQ(dhcpOn, 1);
}

}  // namespace
}  // namespace kfw::integration
