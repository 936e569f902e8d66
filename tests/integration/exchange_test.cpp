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
    ASSERT_EQ(ws_->client.deviceList().count(), 2);
  }

  // Runs `operation` on the client, checks that the device received exactly
  // `request` for it, and answers the operation's result.
  int Exchange(const std::function<int()>& operation, const Bytes& request) {
    int result = -1;
    const auto sent = bed_->RequestsDuring([&] { result = operation(); });
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
  const protocol::DeviceRecord& device = ws_->device;
  for (const auto& [password, verdict] : {std::pair<std::string, int>{"", 0}, {"pw1", 1}}) {
    const Bytes login = query(4, "admin" + kLoginSeparator + password);
    EXPECT_EQ(Exchange([&] { return c.LoginAdministrator(device, "admin", password); }, login), verdict);
  }
  EXPECT_EQ(Exchange([&] { return c.QueryShareList(device) ? 1 : 0; }, query(3)), 1);
  EXPECT_EQ(c.shareList().names(), (std::vector<std::string>{"HDD_1", "PUBLIC"}));

  using Query = std::optional<std::string> (ManagementClient::*)(const protocol::DeviceRecord&);
  auto value = [&](uint8_t item, Query operation, const std::string& expected) {
    SCOPED_TRACE(expected);
    std::optional<std::string> answer;
    EXPECT_EQ(Exchange([&] { return (answer = (c.*operation)(device)) ? 1 : 0; }, query(item)), 1);
    EXPECT_EQ(answer, expected);
  };
  value(19, &ManagementClient::QuerySsl, "1");
  value(12, &ManagementClient::QuerySharename, "HDD_a");
  value(11, &ManagementClient::QueryIdeok, "2");
  value(11, &ManagementClient::QueryIdeok, "1");
  value(15, &ManagementClient::QueryBtFirmware, "0");
  value(18, &ManagementClient::QueryDomain, "corp.example");
  value(9, &ManagementClient::QueryCodepage, "437");
  value(6, &ManagementClient::QueryWorkgroup, "OFFICE");
  EXPECT_NE(ws_->diagnostics.str().find("domain=corp.example\n"), std::string::npos);

  // Set items carry whatever LAN settings were last entered.
  c.EnterLanSettings({"", "255.255.0.0", ""});
  using Set = bool (ManagementClient::*)(const protocol::DeviceRecord&, std::string_view);
  auto set = [&](uint8_t item, Set operation, const std::string& text) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Exchange([&] { return (c.*operation)(device, text) ? 1 : 0; },
                       Request(ws_->clientId(), 5, id, item, text, "255.255.0.0")),
              1);
  };
  set(8, &ManagementClient::SetCodepage, "936");
  set(7, &ManagementClient::SetWorkgroup, "TEAM");
  set(10, &ManagementClient::SetAccessMode, "rw");
  set(13, &ManagementClient::SetControl, "stop");
  set(14, &ManagementClient::SetAddon, "BT");
  value(9, &ManagementClient::QueryCodepage, "936");
  value(6, &ManagementClient::QueryWorkgroup, "TEAM");
  // The add-on items are what the device reports having taken.
  EXPECT_EQ(bed_->Events(1, "10.201.1.10"),
            (std::vector<std::string>{"codepage 936", "access_mode rw", "control stop", "addon BT"}));
}

TEST_F(Exchanges, UnansweredQueryFailsAfterItsBudget) {
  auto& c = ws_->client;
  const Bytes id = ws_->Select("10.201.1.15");
  ASSERT_FALSE(id.empty());
  std::optional<std::string> answer = "old";
  const double seconds = SecondsFor([&] {
    EXPECT_EQ(Exchange([&] { return (answer = c.QuerySsl(ws_->device)) ? 1 : 0; }, Request(ws_->clientId(), 3, id, 19)),
              0);
  });
  EXPECT_FALSE(answer) << "no answer is no value";
  // 11 drain cycles, then 21 counted cycles of 10 ms with 100 ms pauses.
  EXPECT_GE(seconds, 2.1);
  EXPECT_LE(seconds, 2.1 + 0.11 + 0.5);
}

}  // namespace
}  // namespace kfw::integration
