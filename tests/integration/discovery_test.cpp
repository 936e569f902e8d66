// Discovery over real sockets: across two and four segments, through two
// links into one segment, in a crowded segment and on the demo's own network;
// two copies of the program on one workstation; a receive socket that cannot
// be tied to its interface.

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <thread>
#include <tuple>

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

// Every reply layout (8, the default, with a model), a device that answers
// twice, one that buries its answers in junk, and one of another category
// that is never listed. Three name an address other than their own: one
// an ordinary one, which is listed, and two where no device can be, the
// loopback and the workstation's own address on the other segment, which
// are not.
constexpr const char* kSegment1 = R"(
[device]
name = Archive
address = 10.201.1.10
netmask = 255.255.0.0
gateway = 10.201.0.254
model = KX-450R
delay_ms = 0-20

[device]
name = Studio
address = 10.201.1.11
netmask = 255.255.255.0
gateway = 10.201.1.1
reply_type = 7
dhcp = 1
delay_ms = 0-30

[device]
name = Basement
address = 10.201.1.12
netmask = 255.255.0.0
gateway =
reply_type = 2
duplicates = 2

[device]
name = Relay
address = 10.201.1.13
claims_address = 10.201.1.50

[device]
name = Impostor
address = 10.201.1.14
claims_address = 127.0.0.1
duplicates = 2
)";

constexpr const char* kSegment2 = R"(
[device]
name = Office
address = 10.202.1.20
netmask = 255.255.0.0
gateway = 10.202.0.254
model = KX-2200
junk_flood = 6
junk_interval_ms = 2
delay_ms = 5-40

[device]
name = Foreign
address = 10.202.1.23
reply_type = 7
category = 1

[device]
name = Mirror
address = 10.202.1.24
claims_address = 10.201.0.1
)";

struct Expected { std::string name, address, netmask, gateway, dhcp, model; int slot; };

const std::vector<Expected> kListed = {
    {"Archive", "10.201.1.10", "255.255.0.0", "10.201.0.254", "0", "KX-450R", 0},
    {"Studio", "10.201.1.11", "255.255.255.0", "10.201.1.1", "1", "", 0},
    {"Basement", "10.201.1.12", "255.255.0.0", "", "0", "", 0},
    {"Relay", "10.201.1.50", "255.255.255.0", "192.168.1.1", "0", "", 0},
    {"Office", "10.202.1.20", "255.255.0.0", "10.202.0.254", "0", "KX-2200", 1},
};

void ExpectAllListed(const ManagementClient& client) {
  ASSERT_EQ(client.deviceList().count(), static_cast<int>(kListed.size()));
  for (const Expected& e : kListed) {
    SCOPED_TRACE(e.name);
    const auto* r = client.deviceList().Find(e.address);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::tie(r->name.str(), r->netmask.str(), r->gateway.str(), r->dhcpFlag.str(),
                       r->model.str(), r->interfaceIndex),
              std::tie(e.name, e.netmask, e.gateway, e.dhcp, e.model, e.slot));
    in_addr a{};
    inet_pton(AF_INET, e.address.c_str(), &a);
    EXPECT_EQ(0, std::memcmp(r->deviceId.data() + 6, &a, 4));
  }
}

const BedSetup kTwoSegments{"kfwt", 2, "", {{1, kSegment1}, {2, kSegment2}}};
using TwoSegments = OnTestBed<kTwoSegments>;

// A socket that cannot be tied to its interface would hear every link: it
// stays closed, with one line saying why.
TEST_F(TwoSegments, ReceiveSocketNotTiedToAnInterfaceStaysClosed) {
  platform::LinuxSocketLayer layer;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(layer.OpenReceiveSocket("198.51.100.77", 13579, "224.0.0.1"), platform::kNoSocket);
  EXPECT_EQ(layer.OpenReceiveSocketOn("kfw-nosuch0", "198.51.100.77", 13579, "224.0.0.1"), platform::kNoSocket);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
  EXPECT_NE(said.find("kfw-nosuch0"), std::string::npos) << said;
}

TEST_F(TwoSegments, TwoCopiesOnOneWorkstationBothDiscoverAndQuery) {
  // Both copies run at once, as two programs would: each sees the other's
  // requests and the replies meant for the other, and must not be misled.
  std::array<Workstation, 2> copies;
  ASSERT_TRUE(copies[0].started && copies[1].started);
  ASSERT_EQ(copies[0].client.localAddresses(), (std::vector<std::string>{"10.201.0.1", "10.202.0.1"}));
  ASSERT_NE(copies[0].clientId(), copies[1].clientId());
  std::array<int, 2> login{}, domain{};
  std::array<double, 2> seconds{};
  const auto sent = bed_->RequestsDuring([&] {
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
      threads.emplace_back([&, i] {
        seconds[i] = SecondsFor([&] { copies[i].client.DiscoverDevices(3, 3); });
        copies[i].Select("10.202.1.20");
        login[i] = copies[i].client.LoginAdministrator(copies[i].device, "admin", "");
        domain[i] = copies[i].client.QueryDomain(copies[i].device) ? 1 : 0;
      });
    }
    for (auto& thread : threads) thread.join();
  });
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "first copy" : "second copy");
    ExpectAllListed(copies[i].client);
    // Both interfaces listen at once, each for its own window.
    EXPECT_GE(seconds[i], 0.72);
    EXPECT_LE(seconds[i], 1.04 * 1.1);
    EXPECT_EQ(login[i], 1);
    EXPECT_EQ(domain[i], 1);
    // Each segment heard exactly the two copies of each copy's request, on its own link.
    const std::string request = Hex(Request(copies[i].clientId(), 1));
    for (int segment : {1, 2}) EXPECT_EQ(std::count(sent.at(segment).begin(), sent.at(segment).end(), request), 2);
  }
}

// findway says once what it would not list, and lists the rest.
TEST_F(TwoSegments, FindwayNotesTheAddressesNoDeviceCanHave) {
  const Ran ran = RunFindway({"discover"});
  EXPECT_EQ(ran.status, 0);
  EXPECT_EQ(std::count(ran.out.begin(), ran.out.end(), '\n'), 7) << ran.out;  // heading, 5 devices, count
  EXPECT_EQ(ran.out.find("127.0.0.1"), std::string::npos) << ran.out;
  EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
  EXPECT_NE(ran.err.find(" 127.0.0.1"), std::string::npos) << ran.err;
  EXPECT_NE(ran.err.find(" 10.201.0.1"), std::string::npos) << ran.err;
}

// The demo's own network, started as scripts/demo starts it, with the
// shipped device configurations.
const BedSetup kDemo{"kfwm", 2, "", {}};
using DemoNetwork = OnTestBed<kDemo>;

TEST_F(DemoNetwork, ListsEveryKindOfDeviceTheDemoShips) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ws.client.DiscoverDevices(3, 3);
  ASSERT_EQ(ws.client.deviceList().count(), 6);
  std::set<int> slots;
  std::set<std::string> models;
  int dhcpOn = 0;
  for (const auto& r : ws.client.deviceList()) {
    slots.insert(r.interfaceIndex);
    models.insert(r.model.str());
    dhcpOn += r.dhcpFlag == "1";
  }
  EXPECT_EQ(slots, (std::set<int>{0, 1}));
  EXPECT_GE(models.size(), 3u) << "type 8 models and the model-less types 2 and 7";
  EXPECT_TRUE(models.count(""));
  EXPECT_EQ(dhcpOn, 1);
}

// A segment the workstation reaches through two links: each device is listed
// once, under the first interface, and is then served through it.
constexpr const char* kOneSegment =
    "[device]\nname = Archive\naddress = 10.201.1.10\ndelay_ms = 0-20\n"
    "[device]\nname = Studio\naddress = 10.201.1.11\nreply_type = 7\ndelay_ms = 0-40\n"
    "[device]\nname = Basement\naddress = 10.201.1.12\nreply_type = 2\ndelay_ms = 0-5\n";

const BedSetup kDualHomed{"kfwd", 1, "--dual-homed", {{1, kOneSegment}}};
using DualHomed = OnTestBed<kDualHomed>;

TEST_F(DualHomed, EachDeviceListedOnceUnderTheLowerSlot) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.localAddresses(), (std::vector<std::string>{"10.201.0.1", "10.201.0.2"}));
  const auto sent = bed_->RequestsDuring([&] { ws.client.DiscoverDevices(3, 3); });

  ASSERT_EQ(ws.client.deviceList().count(), 3);
  for (const auto& record : ws.client.deviceList()) {
    SCOPED_TRACE(record.address.str());
    EXPECT_EQ(record.interfaceIndex, 0);
  }
  // Both links sent their two copies into the same segment.
  const std::string request = Hex(Request(ws.clientId(), 1));
  EXPECT_EQ(sent.at(1), std::vector<std::string>(4, request));

  // The device is then served through slot 0's link.
  const Bytes id = ws.Select("10.201.1.11");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(ws.client.QuerySharename(ws.device), "HDD_1");
}

// A thousand devices answer both copies of the discovery request within
// 100 ms of it; every one of them is listed in the time of an ordinary
// discovery.
const BedSetup kCrowd{"kfwl", 1, "--devices-per-segment 1000 --max-delay 100", {}};
using Crowd = OnTestBed<kCrowd>;

TEST_F(Crowd, ThousandDevicesAllListedWithinTheDiscoveryTime) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.interfaceCount(), 1);
  double seconds = 0;
  const auto sent =
      bed_->RequestsDuring([&] { seconds = SecondsFor([&] { ws.client.DiscoverDevices(3, 3); }); });

  EXPECT_LE(seconds, 1.1 * 1.04);
  EXPECT_EQ(sent.at(1).size(), 2u);
  // Only the bed's thousand addresses can be listed, each once.
  EXPECT_EQ(ws.client.deviceList().count(), 1000);
}

// Four segments with a device each; one address answers on segments 2 and
// 4, late on 2 and at once on 4.
const BedSetup kFourSegments{"kfwq", 4, "", {
    {1, "[device]\nname = North\naddress = 10.201.1.10\ndelay_ms = 0-20\n"},
    {2, "[device]\nname = Twin-low\naddress = 10.202.1.99\ndelay_ms = 300-320\n"
        "[device]\nname = East\naddress = 10.202.1.10\nreply_type = 7\ndelay_ms = 0-20\n"},
    {3, "[device]\nname = South\naddress = 10.203.1.10\nreply_type = 2\ndelay_ms = 0-20\n"},
    {4, "[device]\nname = Twin-high\naddress = 10.202.1.99\ndelay_ms = 0-5\n"
        "[device]\nname = West\naddress = 10.204.1.10\ndelay_ms = 0-20\n"}}};
using FourSegments = OnTestBed<kFourSegments>;

TEST_F(FourSegments, AllInterfacesAtOnceListWhatOneByOneListsInOneInterfaceTime) {
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ASSERT_EQ(ws.client.interfaceCount(), 4);
  const auto listed = [&] {
    std::vector<std::string> out;
    for (const auto& r : ws.client.deviceList()) {
      out.push_back(std::to_string(r.interfaceIndex) + " " + r.name.str() + " " + r.address.str());
    }
    return out;
  };
  const double oneByOne = SecondsFor([&] { ws.client.DiscoverDevicesSequentially(3, 3); });
  const auto sequential = listed();
  double together = 0;
  const auto sent = bed_->RequestsDuring(
      [&] { together = SecondsFor([&] { ws.client.DiscoverDevices(3, 3); }); });

  EXPECT_EQ(listed(), sequential);
  ASSERT_EQ(ws.client.deviceList().count(), 5);
  const auto* twin = ws.client.deviceList().Find("10.202.1.99");
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(twin->interfaceIndex, 1) << "the lower slot keeps it though slot 3 heard it first";
  EXPECT_EQ(twin->name, "Twin-low");
  const std::string request = Hex(Request(ws.clientId(), 1));
  for (int segment = 1; segment <= 4; ++segment) {
    EXPECT_EQ(sent.at(segment), (std::vector<std::string>{request, request})) << segment;
  }
  // One interface's time, measured on this machine as the mean of the four
  // listened to one by one.
  EXPECT_LE(together, 1.15 * oneByOne / 4) << "one by one: " << oneByOne << " s";
  EXPECT_GE(oneByOne, 4 * 0.72);
}

}  // namespace
}  // namespace kfw::integration
