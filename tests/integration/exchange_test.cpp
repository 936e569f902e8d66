// The targeted exchanges against the simulator over real sockets: the
// answers the program reads back, and the bytes the device received.
// Address changes are findway's test.

#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

constexpr const char* kDevices = R"(
[device]
name = Archive
address = 10.201.1.10
admin_password = pw1
shares = HDD_1:PUBLIC::PUBLIC:
sharename = HDD_a
ssl = 1
domain = corp.example
codepage = 437
workgroup = OFFICE
ideok = 2,1
bt_firmware = 0,1
delay_ms = 0-20
junk_flood = 4
junk_interval_ms = 1

[device]
name = Deaf
address = 10.201.1.15
reply_type = 2
ignore_items = 19
)";

const BedSetup kBed{"kfwe", 1, "", {{1, kDevices}}};

class Exchanges : public OnTestBed<kBed> {
 protected:
  void SetUp() override {
    OnTestBed::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ws_ = std::make_unique<Workstation>();
    ASSERT_TRUE(ws_->started);
    ws_->client.DiscoverDevices(3, 3);
    ASSERT_EQ(ws_->client.deviceList.count(), 2);
  }

  // Runs the client's `operation`, checks that the device received exactly
  // `request` for it, and answers the operation's result.
  int Exchange(int (ManagementClient::*operation)(), const Bytes& request) {
    int result = -1;
    const auto sent = bed_->RequestsDuring([&] { result = (ws_->client.*operation)(); });
    EXPECT_EQ(sent.at(1), std::vector<std::string>{Hex(request)});
    return result;
  }

  std::unique_ptr<Workstation> ws_;
};

TEST_F(Exchanges, LoginValueQueriesAndStoringSetItems) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.10");
  ASSERT_FALSE(id.empty());
  auto query = [&](uint8_t item, const std::string& payload = "") {
    return Request(ws_->clientId(), 3, id, item, payload);
  };
  c.adminUser = "admin";
  for (const auto& [password, verdict] : {std::pair<std::string, int>{"", 0}, {"pw1", 1}}) {
    c.adminPassword = password;
    const Bytes login = query(4, "admin" + kLoginSeparator + password);
    EXPECT_EQ(Exchange(&ManagementClient::LoginAdministrator, login), verdict);
  }
  EXPECT_EQ(Exchange(&ManagementClient::QueryShareList, query(3)), 1);
  EXPECT_EQ(c.shareList.names(), (std::vector<std::string>{"HDD_1", "PUBLIC"}));

  auto value = [&](uint8_t item, int (ManagementClient::*operation)(), const auto& result,
                   const std::string& expected) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(Exchange(operation, query(item)), 1);
    EXPECT_EQ(result.str(), expected);
  };
  value(19, &ManagementClient::QuerySsl, c.sslValue, "1");
  value(12, &ManagementClient::QuerySharename, c.sharenameValue, "HDD_a");
  value(11, &ManagementClient::QueryIdeok, c.ideokValue, "2");
  value(11, &ManagementClient::QueryIdeok, c.ideokValue, "1");
  value(15, &ManagementClient::QueryBtFirmware, c.btFirmwareValue, "0");
  value(18, &ManagementClient::QueryDomain, c.domainValue, "corp.example");
  value(9, &ManagementClient::QueryCodepage, c.codepageText, "437");
  value(6, &ManagementClient::QueryWorkgroup, c.workgroupText, "OFFICE");
  EXPECT_NE(ws_->diagnostics.str().find("domain=corp.example\n"), std::string::npos);

  // Set items carry whatever LAN settings were last entered.
  c.newNetmask = "255.255.0.0";
  c.newGateway = "";
  auto set = [&](uint8_t item, int (ManagementClient::*operation)(), auto& input,
                 const std::string& text) {
    SCOPED_TRACE(text);
    input = text;
    EXPECT_EQ(Exchange(operation, Request(ws_->clientId(), 5, id, item, text, "255.255.0.0")), 1);
  };
  set(8, &ManagementClient::SetCodepage, c.codepageText, "936");
  set(7, &ManagementClient::SetWorkgroup, c.workgroupText, "TEAM");
  set(10, &ManagementClient::SetAccessMode, c.accessModeText, "rw");
  set(13, &ManagementClient::SetControl, c.controlText, "stop");
  set(14, &ManagementClient::SetAddon, c.addonText, "BT");
  value(9, &ManagementClient::QueryCodepage, c.codepageText, "936");
  value(6, &ManagementClient::QueryWorkgroup, c.workgroupText, "TEAM");
  // The add-on items are what the device reports having taken.
  EXPECT_EQ(bed_->Events(1, "10.201.1.10"),
            (std::vector<std::string>{"codepage 936", "access_mode rw", "control stop", "addon BT"}));
}

TEST_F(Exchanges, UnansweredQueryFailsAfterItsBudgetAndKeepsTheOldValue) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.15");
  ASSERT_FALSE(id.empty());
  c.sslValue = "old";
  const double seconds = SecondsFor([&] {
    EXPECT_EQ(Exchange(&ManagementClient::QuerySsl, Request(ws_->clientId(), 3, id, 19)), 0);
  });
  EXPECT_EQ(c.sslValue.str(), "old");
  // 11 drain cycles, then 21 counted cycles of 10 ms with 100 ms pauses.
  EXPECT_GE(seconds, 2.1);
  EXPECT_LE(seconds, 2.1 + 0.11 + 0.5);
}

}  // namespace
}  // namespace kfw::integration
