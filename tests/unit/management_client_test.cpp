// Exchanges and discovery over the simulated network with virtual time.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures.h"

namespace kfw::protocol {
namespace {

using std::chrono::milliseconds;
using fixtures::Bytes;

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net.AddInterface("192.168.1.5", 1);
    net.AddInterface("10.0.0.5", 2);
  }

  // Starts the client with a known client id: 11 22 33 44 55 66.
  void Start() {
    int next = 0x11;
    client.SetRandomSource([next]() mutable { int v = next; next += 0x11; return v; });
    client.SetDiagnostics(&diagnostics);
    ASSERT_TRUE(client.StartNetwork());
  }

  Bytes Header(uint8_t type, const std::string& address, bool ourClient = true) {
    ClientId other;
    other.fill(0x99);
    return fixtures::ReplyHeader(type, ourClient ? client.clientId() : other, fixtures::DeviceAt(address));
  }
  Bytes Discovery(const std::string& address, const std::string& name, uint8_t type = 8,
                  uint8_t category = 3, uint8_t subcategory = 3, bool dhcp = false) {
    return fixtures::DiscoveryReply(Header(type, address),
                                    {name, category, subcategory, "NSD-" + name, dhcp ? '1' : '0'});
  }
  Bytes QueryReply(const std::string& from, const std::string& value, bool ourClient = true) {
    return fixtures::QueryReply(Header(MSG_QUERY_REPLY, from, ourClient), value);
  }
  Bytes SetReply(const std::string& from) { return fixtures::QueryReply(Header(MSG_SET_REPLY, from), ""); }

  // Discovers one device at 192.168.1.20 on the first interface and selects it.
  void DiscoverOne() {
    net.Inject(1, Discovery("192.168.1.20", "nas"), milliseconds(5));
    client.DiscoverDevices(3, 3);
    ASSERT_EQ(client.deviceList().count(), 1);
    device = client.DeviceAt("192.168.1.20");
    net.ClearSent();
  }

  milliseconds Elapsed(platform::SteadyTime since) {
    return std::chrono::duration_cast<milliseconds>(clock.Now() - since);
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  ManagementClient client{net, clock};
  std::ostringstream diagnostics;
  DeviceRecord device;  // the one DiscoverOne found
};

TEST_F(ClientTest, StartNetworkSlotsAndClientId) {
  for (int i = 0; i < 8; ++i) net.AddInterface("172.16.0." + std::to_string(i + 1), 10 + i);
  Start();
  EXPECT_EQ(client.interfaceCount(), 8) << "only the first eight addresses get a slot";
  EXPECT_EQ(client.localAddresses()[0], "192.168.1.5");
  EXPECT_EQ(client.localAddresses()[7], "172.16.0.6");
  EXPECT_EQ(net.openSockets(), 16);
  const ClientId expected{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0, 0, 0};
  EXPECT_EQ(client.clientId(), expected);

  // Silence: 100 ms of sending, 32 waits of 10 ms and 31 pauses of 20 ms,
  // every slot at once.
  const auto start = clock.Now();
  client.DiscoverDevices(3, 3);
  EXPECT_EQ(Elapsed(start), milliseconds(1040));
  // Each slot closes its send socket, then its receive socket.
  client.StopNetwork();
  ASSERT_GE(net.closeOrder().size(), 3u);
  EXPECT_EQ(std::vector(net.closeOrder().begin(), net.closeOrder().begin() + 3),
            (std::vector<std::string>{"send 192.168.1.5", "receive 192.168.1.5", "send 10.0.0.5"}));
  EXPECT_EQ(net.openSockets(), 0);
  EXPECT_EQ(net.stopCount(), 1);
}

TEST(ClientStart, DefaultIdsFailedLibraryAndNoInterfaces) {
  platform::FakeClock clock;
  sim::SimulatedNetwork net(clock);
  net.FailStart(true);
  ManagementClient failing(net, clock);
  EXPECT_FALSE(failing.StartNetwork());
  EXPECT_EQ(net.openSockets(), 0);

  net.FailStart(false);
  ManagementClient a(net, clock), b(net, clock);
  ASSERT_TRUE(a.StartNetwork());
  ASSERT_TRUE(b.StartNetwork());
  EXPECT_NE(a.clientId(), b.clientId()) << "two copies started together must not share an id";
  const auto start = clock.Now();
  a.DiscoverDevices(3, 3);
  EXPECT_TRUE(a.deviceList().empty());
  EXPECT_EQ(clock.Now(), start) << "no interface: discovery returns at once";
}

TEST_F(ClientTest, TargetedOperationsWithoutARecordSendNothing) {
  Start();
  const DeviceRecord unlisted = client.DeviceAt("192.168.1.77");
  const auto start = clock.Now();
  EXPECT_FALSE(client.QuerySsl(unlisted));
  EXPECT_EQ(client.LoginAdministrator(unlisted, "admin", ""), 0);
  EXPECT_FALSE(client.QueryShareList(unlisted));
  EXPECT_FALSE(client.SetStaticAddress(unlisted, {"192.168.1.78", "255.255.255.0", ""}));
  EXPECT_FALSE(client.SetDhcpClient(unlisted));
  EXPECT_FALSE(client.SetControl(unlisted, "stop"));
  EXPECT_TRUE(net.sent().empty());
  EXPECT_EQ(clock.Now(), start);
}

// Each exchange's request, drain, cycle limit and wait, the shortest
// datagram it takes for an answer, and where a value goes.
TEST_F(ClientTest, EveryExchangeKeepsItsBudgetAndNeedsAWholeReply) {
  using M = ManagementClient;
  M& c = client;
  // What the last value query answered.
  std::optional<std::string> value;
  using Query = std::optional<std::string> (M::*)(const DeviceRecord&);
  const auto query = [&](Query q) { return std::function<int()>([&, q] { return (value = (c.*q)(device)) ? 1 : 0; }); };
  const auto set = [&](bool (M::*s)(const DeviceRecord&, std::string_view), const char* text) {
    return std::function<int()>([&, s, text] { return (c.*s)(device, text) ? 1 : 0; });
  };
  // `label`: of the diagnostic line; for set items, the payload sent.
  const struct { std::function<int()> run; uint8_t item; int drain, cycles, waitMs; const char* label;
                 bool valued; } ops[] = {
      {[&] { return c.QueryShareList(device) ? 1 : 0; }, QUERY_SHARE_LIST, 11, 21, 10, nullptr, false},
      {query(&M::QuerySsl), QUERY_SSL, 11, 21, 10, "ssl", true},
      {query(&M::QuerySharename), QUERY_SHARENAME, 11, 21, 10, "sharename", true},
      {query(&M::QueryIdeok), QUERY_IDEOK, 11, 21, 10, "ideok", true},
      {query(&M::QueryBtFirmware), QUERY_BT_FIRMWARE, 11, 21, 10, "bt_firmware", true},
      {query(&M::QueryDomain), QUERY_DOMAIN, 11, 21, 10, "domain", true},
      {query(&M::QueryCodepage), QUERY_CODEPAGE, 11, 11, 10, "codepage", true},
      {query(&M::QueryWorkgroup), QUERY_WORKGROUP, 6, 11, 10, "workgroup", true},
      {[&] { return c.LoginAdministrator(device, "admin", ""); }, QUERY_ADMIN_LOGIN, 0, 11, 10, nullptr, false},
      // The address change answers from where it is.
      {[&] { return c.SetStaticAddress(device, {"192.168.1.20", "", ""}) ? 1 : 0; }, SET_STATIC_ADDRESS, 0, 101,
       10, "192.168.1.20", false},
      {[&] { return c.SetDhcpClient(device) ? 1 : 0; }, SET_DHCP_CLIENT, 0, 101, 1000, "", false},
      {set(&M::SetAccessMode, "rw"), SET_ACCESS_MODE, 0, 11, 10, "rw", false},
      {set(&M::SetControl, "stop"), SET_CONTROL, 0, 11, 10, "stop", false},
      {set(&M::SetAddon, "BT"), SET_ADDON, 0, 11, 10, "BT", false},
      {set(&M::SetCodepage, "950"), SET_CODEPAGE, 0, 11, 10, "950", false},
      {set(&M::SetWorkgroup, "WG"), SET_WORKGROUP, 0, 11, 10, "WG", false},
  };
  Start();
  DiscoverOne();
  for (const auto& op : ops) {
    SCOPED_TRACE(int(op.item));
    const bool set = op.drain == 0 && op.item != QUERY_ADMIN_LOGIN;
    net.ClearSent();
    auto start = clock.Now();
    EXPECT_EQ(op.run(), 0);
    EXPECT_EQ(Elapsed(start), milliseconds(op.drain * 10 + op.cycles * op.waitMs + (op.cycles - 1) * 100));
    ASSERT_EQ(net.sent().size(), 1u) << "a request is never repeated";
    const Bytes& request = net.sent()[0].bytes;
    EXPECT_EQ(request[0], set ? MSG_SET : MSG_QUERY);
    EXPECT_EQ(request[21], op.item);
    if (set) {
      EXPECT_EQ(std::string(request.begin() + 60, request.end()), op.label);
    }

    // A reply cut short of its fixed part is no answer: the login's verdict
    // byte, the query header, the set reply's device address.
    Bytes whole = set ? Header(MSG_SET_REPLY, "192.168.1.20") : QueryReply("192.168.1.20", "");
    if (op.item == QUERY_ADMIN_LOGIN) whole.push_back(1);
    for (std::size_t n = 1; n < whole.size(); ++n) {
      net.Inject(1, Bytes(whole.begin(), whole.begin() + n), milliseconds(op.drain * 10 + 5));
      EXPECT_EQ(op.run(), 0) << n;
    }
    net.Inject(1, whole, milliseconds(op.drain * 10 + 5));
    EXPECT_EQ(op.run(), 1);
    if (op.valued) {
      EXPECT_EQ(value, "") << "a whole reply with an empty value is a real answer";
      diagnostics.str("");
      net.Inject(1, QueryReply("192.168.1.20", "v"), milliseconds(op.drain * 10 + 5));
      EXPECT_EQ(op.run(), 1);
      EXPECT_EQ(value, "v");
      EXPECT_EQ(diagnostics.str(), std::string(op.label) + "=v\n");
    }
  }
  EXPECT_EQ(client.deviceList().records()[0].address, "192.168.1.20");
}

// Values are cut to their fields; the diagnostic line shows what came.
TEST_F(ClientTest, ValuesAreCutToTheirFieldsAndTheReceiveLimit) {
  Start();
  DiscoverOne();
  net.Inject(1, QueryReply("192.168.1.20", "1234567890"), milliseconds(130));
  EXPECT_EQ(client.QuerySsl(device), "1234567");
  EXPECT_EQ(diagnostics.str(), "ssl=1234567890\n");
  net.Inject(1, QueryReply("192.168.1.20", std::string(200, 'd')), milliseconds(130));
  EXPECT_EQ(client.QueryDomain(device), std::string(127, 'd'));

  // 4067 value bytes are kept: 406 names of 9 letters and a colon, then 7
  // more, the piece the limit cut, which is lost.
  std::string value;
  for (int i = 0; i < 500; ++i) value += "share" + std::to_string(1000 + i) + ":";
  net.Inject(1, QueryReply("192.168.1.20", value), milliseconds(120));
  EXPECT_TRUE(client.QueryShareList(device));
  ASSERT_EQ(client.shareList().count(), 406);
  EXPECT_EQ(client.shareList().names().back(), "share1405");
  // A datagram that ends at the limit itself was not cut.
  value.resize(4067 - 7);
  value += "lastone";
  net.Inject(1, QueryReply("192.168.1.20", value), milliseconds(120));
  EXPECT_TRUE(client.QueryShareList(device));
  EXPECT_EQ(client.shareList().names().back(), "lastone");
  // A failed share-list query still empties the list.
  EXPECT_FALSE(client.QueryShareList(device));
  EXPECT_TRUE(client.shareList().empty());
}

TEST_F(ClientTest, DrainDiscardsLeftoversButLoginTakesThem) {
  Start();
  DiscoverOne();
  // A late answer of an earlier exchange is waiting on the socket.
  net.Inject(1, QueryReply("192.168.1.20", "stale"));
  net.Inject(1, QueryReply("192.168.1.20", "fresh"), milliseconds(150));
  EXPECT_EQ(client.QuerySsl(device), "fresh");

  // The login does not drain: a leftover that passes its tests is its answer.
  Bytes verdict = QueryReply("192.168.1.20", "");
  verdict.push_back(1);
  net.Inject(1, verdict);
  EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), 1);
}

TEST_F(ClientTest, LoginVerdictIsSigned) {
  Start();
  DiscoverOne();
  for (const auto& [byte, result] : std::vector<std::pair<uint8_t, int>>{{0, 0}, {1, 1}, {0xFF, -1}, {7, 7}}) {
    Bytes reply = QueryReply("192.168.1.20", "");
    reply.push_back(byte);
    net.Inject(1, reply, milliseconds(20));
    EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), result) << int(byte);
  }
}

// The window is a schedule in time: nothing but the answer ends or shortens it.
TEST_F(ClientTest, OnlyTheAnswerEndsTheWindow) {
  Start();
  DiscoverOne();
  Bytes answer = QueryReply("192.168.1.20", "");
  answer.push_back(1);

  // Datagrams of another type, another device's answers and answers for
  // another tool are read and dropped; the answer in the last pause (1000 to
  // 1100 ms) is taken when that pause is over, as on a quiet network.
  for (int i = 0; i < 30; ++i) net.Inject(1, Bytes{1, 2, 3}, milliseconds(i));
  for (int i = 0; i < 6; ++i) net.Inject(1, QueryReply("192.168.1.21", "x"), milliseconds(i));
  for (int i = 0; i < 5; ++i) net.Inject(1, QueryReply("192.168.1.20", "x", false), milliseconds(i));
  net.Inject(1, answer, milliseconds(1050));
  auto start = clock.Now();
  EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), 1);
  EXPECT_EQ(Elapsed(start), milliseconds(1100));

  // An answer in a wait ends the exchange at once.
  net.Inject(1, Bytes{9}, milliseconds(1));
  net.Inject(1, answer, milliseconds(3));
  start = clock.Now();
  EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), 1);
  EXPECT_EQ(Elapsed(start), milliseconds(3));

  // Failed reads neither end it nor lose the answer.
  net.FailNextReads(50);
  net.Inject(1, answer, milliseconds(5));
  EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), 1);

  // Past the last wait an answer is too late.
  net.Inject(1, answer, milliseconds(1111));
  start = clock.Now();
  EXPECT_EQ(client.LoginAdministrator(device, "admin", ""), 0);
  EXPECT_EQ(Elapsed(start), milliseconds(1110));
}

// The device at 192.168.1.20, answering after `delayMs`, discovered and selected.
struct FloodBed : fixtures::SimBed {
  explicit FloodBed(int delayMs) : SimBed("192.168.1.5", 1) {
    // More than a burst, fewer than a pause of the continuous flood.
    net.SetReceiveLimit(1024);
    sim::DeviceConfig config;
    config.address = "192.168.1.20";
    config.ssl = "1";
    config.adminPassword = "pw";
    config.delayMinMs = config.delayMaxMs = delayMs;
    Add(config);
    Select("192.168.1.20");
    EXPECT_EQ(client.deviceList().count(), 1);
  }

  // `burst` datagrams back to back every `gap` for `span` from now: the
  // answer's type from the device with another tool's client id most of
  // all, then this client's id from another address, and an unused type.
  void Flood(int burst, std::chrono::microseconds gap, milliseconds span, uint8_t type) {
    const auto id = client.deviceList().records()[0].deviceId;
    ClientId other;
    for (int i = 0; i < 10; ++i) other[i] = static_cast<uint8_t>(~client.clientId()[i]);
    const Bytes foreign = fixtures::QueryReply(fixtures::ReplyHeader(type, other, id), "1");
    Bytes wrongSender = fixtures::QueryReply(fixtures::ReplyHeader(type, client.clientId(), id), "1");
    wrongSender[20] ^= 0x80;
    const Bytes kinds[] = {foreign, foreign, wrongSender, Bytes{9, 1, 2}};
    int n = 0;
    for (std::chrono::microseconds at{0}; at < span; at += gap) {
      for (int k = 0; k < burst; ++k) net.Inject(1, kinds[n++ % 4], at);
    }
  }

  std::optional<std::string> ssl;  // what the ssl query answered
};

TEST(FloodTest, ExchangesFindTheAnswerWhenAQuietNetworkDoes) {
  const struct { const char* name; std::function<bool(FloodBed&)> run; uint8_t type; } exchanges[] = {
      {"ssl", [](FloodBed& b) { return (b.ssl = b.client.QuerySsl(b.device())).has_value(); }, MSG_QUERY_REPLY},
      {"login", [](FloodBed& b) { return b.client.LoginAdministrator(b.device(), "admin", "pw") == 1; },
       MSG_QUERY_REPLY},
      {"static address",
       [](FloodBed& b) { return b.client.SetStaticAddress(b.device(), {"192.168.1.40", "255.255.255.0", ""}); },
       MSG_SET_REPLY},
  };
  // Continuous, or in bursts at a low average.
  const struct { const char* name; int burst; std::chrono::microseconds gap; } floods[] = {
      {"continuous, 100000/s", 1, std::chrono::microseconds(10)},
      {"bursts of 512, 1000/s", 512, std::chrono::microseconds(512000)},
  };
  for (const auto& pattern : floods) {
    for (const auto& exchange : exchanges) {
      // At once; in the third cycle's pause; in the third cycle's wait.
      for (const int delayMs : {0, 250, 335}) {
        SCOPED_TRACE(std::string(pattern.name) + ", " + exchange.name + ", answer after " +
                     std::to_string(delayMs) + " ms");
        FloodBed quiet(delayMs);
        auto start = quiet.clock.Now();
        ASSERT_TRUE(exchange.run(quiet));
        const auto quietTime = quiet.clock.Now() - start;

        FloodBed flooded(delayMs);
        flooded.Flood(pattern.burst, pattern.gap, milliseconds(delayMs + 300), exchange.type);
        start = flooded.clock.Now();
        EXPECT_TRUE(exchange.run(flooded));
        // The drain may end early under a flood, but no cycle is lost.
        EXPECT_LE(flooded.clock.Now() - start, quietTime);
        EXPECT_EQ(flooded.ssl, quiet.ssl);
        EXPECT_EQ(flooded.client.deviceList().records()[0].address, quiet.client.deviceList().records()[0].address);
      }
    }
  }
}

TEST_F(ClientTest, AddressChangesMoveTheRecord) {
  Start();
  DiscoverOne();
  // The old address answering does not confirm the change.
  net.Inject(1, SetReply("192.168.1.20"), milliseconds(10));
  net.Inject(1, SetReply("192.168.1.40"), milliseconds(500));
  const auto start = clock.Now();
  EXPECT_TRUE(client.SetStaticAddress(device, {"192.168.1.40", "255.255.0.0", "192.168.1.1"}));
  EXPECT_GE(Elapsed(start), milliseconds(500)) << "confirmed by the old address";
  ASSERT_EQ(client.deviceList().count(), 1);
  const DeviceRecord& moved = client.deviceList().records()[0];
  EXPECT_EQ(moved.address, "192.168.1.40");
  EXPECT_EQ(moved.netmask, "255.255.0.0");
  EXPECT_EQ(moved.gateway, "192.168.1.1");
  EXPECT_EQ(moved.deviceId[9], 40);
  EXPECT_EQ(moved.deviceId[0], 0xDE) << "the opaque part is kept";

  // The next request carries the new id and leaves on the same interface.
  net.ClearSent();
  client.QueryDomain(moved);
  ASSERT_EQ(net.sent().size(), 1u);
  EXPECT_EQ(net.sent()[0].interfaceAddress, "192.168.1.5");
  EXPECT_EQ(net.sent()[0].bytes[20], 40);

  // The DHCP switch takes any sender, but not one that claims an address no
  // device can have; the netmask and gateway stay.
  // The record passed in is the listed one that moves.
  net.Inject(1, SetReply("127.0.0.1"), milliseconds(10));
  EXPECT_FALSE(client.SetDhcpClient(moved));
  EXPECT_EQ(moved.address, "192.168.1.40");
  net.Inject(1, SetReply("192.168.1.133"), milliseconds(3500));
  EXPECT_EQ(client.SetDhcpClient(moved), "192.168.1.133");
  EXPECT_EQ(moved.address.str() + " " + moved.netmask.str(), "192.168.1.133 255.255.0.0");
  EXPECT_EQ(moved.deviceId[9], 133);
}

TEST_F(ClientTest, DiscoveryListsEachAddressOnceInArrivalOrder) {
  // A third interface on the first segment: devices there answer on both.
  net.AddInterface("192.168.1.6", 1);
  Start();
  net.ClearSent();
  for (int copy = 0; copy < 2; ++copy) {
    net.Inject(1, Discovery("192.168.1.30", "second", 7), milliseconds(40 + copy));
    net.Inject(1, Discovery("192.168.1.20", "first", 2), milliseconds(20 + copy));
  }
  net.Inject(1, Discovery("192.168.1.40", "filtered", 7, 3, 4), milliseconds(30));
  net.Inject(1, Discovery("192.168.1.50", "wrongcat", 8, 1, 3), milliseconds(30));
  Bytes foreign = Discovery("192.168.1.60", "foreign");
  foreign[2] ^= 0xFF;
  net.Inject(1, foreign, milliseconds(30));
  net.Inject(1, Bytes{1, 2, 3, 4}, milliseconds(31));
  net.Inject(1, Discovery("192.168.1.70", "dhcp", 8, 3, 3, true), milliseconds(700));

  const auto start = clock.Now();
  client.DiscoverDevices(3, 3);
  std::vector<std::string> listed;
  for (const auto& r : client.deviceList()) {
    listed.push_back(r.address.str() + "/" + std::to_string(r.interfaceIndex) + " " + r.model.str() + " " +
                     r.dhcpFlag.str());
  }
  // Only the model reply (type 8) carries a model.
  EXPECT_EQ(listed, (std::vector<std::string>{"192.168.1.20/0  0", "192.168.1.30/0  0", "192.168.1.70/0 NSD-dhcp 1"}));
  // No interface listens beyond its window.
  EXPECT_LE(Elapsed(start), milliseconds(1040));
  // Two requests out of every interface: the first copies, then the second.
  ASSERT_EQ(net.sent().size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(net.sent()[i].interfaceAddress, client.localAddresses()[i % 3]);

  // Filter 0 accepts the other subcategory.
  net.Inject(1, Discovery("192.168.1.40", "filtered", 7, 3, 4), milliseconds(30));
  client.DiscoverDevices(3, 0);
  ASSERT_EQ(client.deviceList().count(), 1);
  EXPECT_EQ(client.deviceList().records()[0].name, "filtered");
}

// A device can claim any address. One where no device can be (none,
// loopback, multicast, the limited broadcast, this workstation's own on any
// interface) would turn the program on the workstation itself: it is not
// listed, only noted, each address once. Addresses next to those are listed.
TEST_F(ClientTest, DiscoveryListsNoAddressWhereNoDeviceCanBe) {
  Start();
  const std::vector<std::string> refused = {"127.0.0.1", "0.0.0.0", "127.255.0.9", "224.0.0.1", "239.255.255.250",
                                            "255.255.255.255", "192.168.1.5", "10.0.0.5", "127.0.0.2"};
  const std::vector<std::string> kept = {"192.168.1.20", "126.255.255.254", "128.0.0.1", "223.255.255.254",
                                         "240.0.0.1", "10.0.0.6", "0.0.0.1"};
  int at = 0;
  for (const auto& address : refused) net.Inject(1, Discovery(address, "lying"), milliseconds(++at));
  net.Inject(2, Discovery("127.0.0.1", "again"), std::chrono::microseconds(1500));
  for (const auto& address : kept) net.Inject(1, Discovery(address, "nas"), milliseconds(++at));
  client.DiscoverDevices(3, 3);
  std::vector<std::string> listed;
  for (const auto& r : client.deviceList()) listed.push_back(r.address.str());
  EXPECT_EQ(listed, kept);
  const auto& drops = client.discoveryDrops();
  EXPECT_EQ(drops.refusedReplies, 10);
  EXPECT_EQ(drops.refusedAddresses, std::vector(refused.begin(), refused.begin() + 8));
  EXPECT_EQ(drops.overBound, 0);

  // Each discovery tells only of its own.
  client.DiscoverDevices(3, 3);
  EXPECT_EQ(client.discoveryDrops().refusedReplies, 0);
  EXPECT_TRUE(client.discoveryDrops().refusedAddresses.empty());
}

// A sender that learned the client id can forge replies from any number of
// addresses: an interface lists the first 4096 it hears, a discovery 16384
// in slot order; the rest are counted, not kept.
TEST_F(ClientTest, DiscoveryListIsBoundedPerInterfaceAndInAll) {
  for (int i = 0; i < 4; ++i) net.AddInterface("172.16." + std::to_string(i) + ".5", 3 + i);
  Start();
  const auto address = [](int segment, int i) {
    return "100." + std::to_string(segment) + "." + std::to_string(i / 256) + "." + std::to_string(i % 256);
  };
  const int heard[] = {4096 + 10, 3000, 4096, 4096, 2000, 100};
  for (const bool parallel : {true, false}) {
    SCOPED_TRACE(parallel ? "all at once" : "one by one");
    for (int segment = 1; segment <= 6; ++segment) {
      for (int i = 0; i < heard[segment - 1]; ++i)
        net.Inject(segment, Discovery(address(segment, i), "forged"), std::chrono::microseconds(20 * i));
    }
    // A device already listed answering again is no drop.
    net.Inject(1, Discovery(address(1, 0), "forged"), milliseconds(500));
    parallel ? client.DiscoverDevices(3, 3) : client.DiscoverDevicesSequentially(3, 3);
    ASSERT_EQ(client.deviceList().count(), kMaxDevicesPerDiscovery);
    std::vector<int> perSlot(6);
    for (const auto& r : client.deviceList()) ++perSlot[r.interfaceIndex];
    EXPECT_EQ(perSlot, (std::vector<int>{4096, 3000, 4096, 4096, 1096, 0}));
    EXPECT_EQ(client.deviceList().records()[4095].address, address(1, 4095));
    EXPECT_EQ(client.deviceList().records().back().address, address(5, 1095));
    EXPECT_EQ(client.discoveryDrops().overBound, 10 + 904 + 100);
  }
}

}  // namespace
}  // namespace kfw::protocol
