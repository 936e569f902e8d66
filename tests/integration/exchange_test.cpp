// Every targeted exchange against the simulator over real sockets: the
// answers the program reads back, and the bytes the device received.

#include <functional>

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

constexpr const char* kDevices = R"(
[device]
name = Archive
address = 10.201.1.10
netmask = 255.255.0.0
gateway = 10.201.0.254
model = KX-450R
reply_type = 8
id_prefix = 001132a40001
admin_password = pw1
shares = HDD_1:PUBLIC::PUBLIC:
sharename = HDD_a
ssl = 1
domain = corp.example
codepage = 850
workgroup = WORKGROUP
ideok = 2,1
bt_firmware = 0,1
delay_ms = 0-20
junk_flood = 4
junk_interval_ms = 1

[device]
name = Mover
address = 10.201.1.13
netmask = 255.255.0.0
gateway = 10.201.0.254
reply_type = 7
id_prefix = 001132a40004
delay_ms = 0-20

[device]
name = Lease
address = 10.201.1.14
netmask = 255.255.0.0
gateway = 10.201.0.254
reply_type = 2
id_prefix = 001132a40005
dhcp_address = 10.201.6.6
delay_ms = 100-300

[device]
name = Deaf
address = 10.201.1.15
reply_type = 2
ssl = 1
ignore_items = 19
)";

class Exchanges : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bed_ = std::make_unique<TestBed>("kfwe", std::vector<std::string>{"--segments", "1"},
                                     std::map<int, std::string>{{1, kDevices}});
    bed_->Up();
  }
  static void TearDownTestSuite() { bed_.reset(); }
  void SetUp() override {
    KFW_REQUIRE_TEST_BED(bed_.get());
    ws_ = std::make_unique<Workstation>();
    ASSERT_TRUE(ws_->started);
    ws_->client.DiscoverDevices(3, 3);
    ASSERT_EQ(ws_->client.deviceList.count(), 4);
  }

  // Runs `operation` and checks that the device received exactly `request`
  // as the one datagram sent for it.
  int Exchange(const std::function<int()>& operation, const Bytes& request) {
    const std::size_t before = bed_->LoggedRequests(1).size();
    const int result = operation();
    const auto log = bed_->LoggedRequests(1);
    EXPECT_EQ(log.size(), before + 1) << "one request per exchange";
    if (log.size() > before) {
      EXPECT_EQ(log[before], Hex(request));
    }
    return result;
  }

  static std::unique_ptr<TestBed> bed_;
  std::unique_ptr<Workstation> ws_;
};
std::unique_ptr<TestBed> Exchanges::bed_;

TEST_F(Exchanges, LoginAndEveryValueQuery) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.10");
  ASSERT_FALSE(id.empty());
  const Bytes me = ws_->clientId();

  c.adminUser = "admin";
  c.adminPassword = "";
  EXPECT_EQ(Exchange([&] { return c.LoginAdministrator(); }, LoginRequest(me, id, "admin", "")), 0);
  c.adminPassword = "pw1";
  EXPECT_EQ(Exchange([&] { return c.LoginAdministrator(); }, LoginRequest(me, id, "admin", "pw1")), 1);

  EXPECT_EQ(Exchange([&] { return c.QueryShareList(); }, QueryRequest(me, id, 3)), 1);
  EXPECT_EQ(c.shareList.names(), (std::vector<std::string>{"HDD_1", "PUBLIC"}));

  struct ValueCase {
    const char* label;
    uint8_t item;
    std::function<int()> run;
    std::function<std::string()> value;
    std::string expected;
  };
  const std::vector<ValueCase> cases = {
      {"ssl", 19, [&] { return c.QuerySsl(); }, [&] { return c.sslValue.str(); }, "1"},
      {"sharename", 12, [&] { return c.QuerySharename(); }, [&] { return c.sharenameValue.str(); }, "HDD_a"},
      {"ideok", 11, [&] { return c.QueryIdeok(); }, [&] { return c.ideokValue.str(); }, "2"},
      {"ideok again", 11, [&] { return c.QueryIdeok(); }, [&] { return c.ideokValue.str(); }, "1"},
      {"bt", 15, [&] { return c.QueryBtFirmware(); }, [&] { return c.btFirmwareValue.str(); }, "0"},
      {"domain", 18, [&] { return c.QueryDomain(); }, [&] { return c.domainValue.str(); }, "corp.example"},
      {"codepage", 9, [&] { return c.QueryCodepage(); }, [&] { return c.codepageText.str(); }, "850"},
      {"workgroup", 6, [&] { return c.QueryWorkgroup(); }, [&] { return c.workgroupText.str(); }, "WORKGROUP"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.label);
    EXPECT_EQ(Exchange(k.run, QueryRequest(me, id, k.item)), 1);
    EXPECT_EQ(k.value(), k.expected);
  }
  EXPECT_NE(ws_->diagnostics.str().find("domain=corp.example\n"), std::string::npos);
}

TEST_F(Exchanges, StoringSetItemsAreConfirmedAndReadBack) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.10");
  ASSERT_FALSE(id.empty());
  const Bytes me = ws_->clientId();
  // Set items carry whatever LAN settings were last entered.
  c.newNetmask = "255.255.0.0";
  c.newGateway = "";

  c.codepageText = "936";
  EXPECT_EQ(Exchange([&] { return c.SetCodepage(); }, SetRequest(me, id, 8, "255.255.0.0", "", "936")), 1);
  c.workgroupText = "TEAM";
  EXPECT_EQ(Exchange([&] { return c.SetWorkgroup(); }, SetRequest(me, id, 7, "255.255.0.0", "", "TEAM")), 1);
  c.accessModeText = "rw";
  EXPECT_EQ(Exchange([&] { return c.SetAccessMode(); }, SetRequest(me, id, 10, "255.255.0.0", "", "rw")), 1);
  c.controlText = "stop";
  EXPECT_EQ(Exchange([&] { return c.SetControl(); }, SetRequest(me, id, 13, "255.255.0.0", "", "stop")), 1);
  c.addonText = "BT";
  EXPECT_EQ(Exchange([&] { return c.SetAddon(); }, SetRequest(me, id, 14, "255.255.0.0", "", "BT")), 1);

  c.codepageText = "";
  c.workgroupText = "";
  EXPECT_EQ(c.QueryCodepage(), 1);
  EXPECT_EQ(c.codepageText.str(), "936");
  EXPECT_EQ(c.QueryWorkgroup(), 1);
  EXPECT_EQ(c.workgroupText.str(), "TEAM");
}

TEST_F(Exchanges, StaticAddressMovesTheDeviceAndLaterRequestsFollowIt) {
  auto& c = ws_->client;
  const Bytes oldId = ws_->Select("10.201.1.13");
  ASSERT_FALSE(oldId.empty());
  const Bytes me = ws_->clientId();
  c.newAddress = "10.201.5.5";
  c.newNetmask = "255.255.255.0";
  c.newGateway = "10.201.5.1";
  EXPECT_EQ(Exchange([&] { return c.SetStaticAddress(); },
                     SetRequest(me, oldId, 1, "255.255.255.0", "10.201.5.1", "10.201.5.5")),
            1);
  EXPECT_EQ(c.selectedAddress.str(), "10.201.5.5");

  Bytes newId = oldId;
  newId[6] = 10, newId[7] = 201, newId[8] = 5, newId[9] = 5;
  EXPECT_EQ(Exchange([&] { return c.QuerySsl(); }, QueryRequest(me, newId, 19)), 1);

  c.DiscoverDevices(3, 3);
  EXPECT_EQ(c.FindDeviceByAddress("10.201.1.13"), nullptr);
  const auto* moved = c.FindDeviceByAddress("10.201.5.5");
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->netmask.str(), "255.255.255.0");
  EXPECT_EQ(moved->gateway.str(), "10.201.5.1");
  EXPECT_EQ(moved->name.str(), "Mover");
}

TEST_F(Exchanges, DhcpClientTakesTheAddressTheDeviceAnswersFrom) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.14");
  ASSERT_FALSE(id.empty());
  // Fields the DHCP request must not carry, whatever was entered before.
  c.newNetmask = "255.255.255.0";
  c.newGateway = "10.201.5.1";
  EXPECT_EQ(Exchange([&] { return c.SetDhcpClient(); }, SetRequest(ws_->clientId(), id, 2, "", "", "")), 1);
  EXPECT_EQ(c.selectedAddress.str(), "10.201.6.6");

  c.DiscoverDevices(3, 3);
  const auto* leased = c.FindDeviceByAddress("10.201.6.6");
  ASSERT_NE(leased, nullptr);
  EXPECT_EQ(leased->dhcpFlag.str(), "1");
  EXPECT_EQ(leased->netmask.str(), "255.255.0.0");
}

TEST_F(Exchanges, UnansweredQueryFailsAfterItsBudgetAndKeepsTheOldValue) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.15");
  ASSERT_FALSE(id.empty());
  c.sslValue = "old";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Exchange([&] { return c.QuerySsl(); }, QueryRequest(ws_->clientId(), id, 19)), 0);
  const double seconds = SecondsSince(start);
  EXPECT_EQ(c.sslValue.str(), "old");
  // 11 drain cycles, then 21 counted cycles of 10 ms with 100 ms pauses.
  EXPECT_GE(seconds, 2.1);
  EXPECT_LE(seconds, 2.1 + 0.11 + 0.5);
}

}  // namespace
}  // namespace kfw::integration
