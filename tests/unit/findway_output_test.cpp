// What findway writes when devices send hostile texts, over the simulated
// network.

#include "cli/findway_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "sim/simulated_network.h"

namespace kfw::cli {
namespace {

#define FFFD "\xEF\xBF\xBD"

// An ordinary device and one whose texts try to break out of their column.
struct FindwayOutputTest : ::testing::Test {
  void SetUp() override {
    net.AddInterface("192.168.1.5", 1);
    sim::DeviceConfig plain;
    plain.name = "B\xc3\xbcro";
    plain.address = "192.168.1.20";
    plain.model = "KFW-1";
    net.AddDevice(1, plain);
    sim::DeviceConfig hostile;
    hostile.name = "x\r\nforged  10.6.6.6\xed\xa0\x80";
    hostile.address = "192.168.1.21";
    hostile.netmask = "\x1b[2J";
    hostile.gateway = "\xc2\x9b" "31m";
    hostile.dhcp = true;
    hostile.model = "\x9bM\\";
    hostile.shares = "ok:\x1b[2J\r\nfake:B\xc3\xbcro";
    hostile.ssl = "1\r\nroot=1";
    hostile.domain = "\xc2\x9b" "2J\xff";
    hostile.sharename = {"a\\x1b"};
    net.AddDevice(1, hostile);
    client.SetDiagnostics(&diagnostics);
    ASSERT_TRUE(client.StartNetwork());
    client.DiscoverDevices(3, 3);
    ASSERT_EQ(client.deviceList().count(), 2);
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  protocol::ManagementClient client{net, clock};
  std::ostringstream diagnostics;
  std::ostringstream out;
};

TEST_F(FindwayOutputTest, TableEscapesEveryColumnAndAlignsByCharacter) {
  WriteDeviceTable(out, client);
  EXPECT_EQ(out.str(),
            "NAME                          IP            NETMASK        GATEWAY      DHCP  MODEL  INTERFACE\n"
            "B\xc3\xbcro                          192.168.1.20  255.255.255.0  192.168.1.1  off   KFW-1  192.168.1.5\n"
            "x\\x0d\\x0aforged  10.6.6.6" FFFD FFFD FFFD "  192.168.1.21  \\x1b[2J        \\x9b31m      on    "
            FFFD "M\\\\   192.168.1.5\n"
            "2 devices found\n");
}

TEST_F(FindwayOutputTest, JsonIsStrictlyReadable) {
  WriteDeviceJson(out, client);
  EXPECT_EQ(out.str(),
            "[\n"
            "  {\"name\": \"B\xc3\xbcro\", \"ip\": \"192.168.1.20\", \"netmask\": \"255.255.255.0\", "
            "\"gateway\": \"192.168.1.1\", \"dhcp\": false, \"model\": \"KFW-1\", \"interface\": \"192.168.1.5\"},\n"
            "  {\"name\": \"x\\u000d\\u000aforged  10.6.6.6" FFFD FFFD FFFD "\", \"ip\": \"192.168.1.21\", "
            "\"netmask\": \"\\u001b[2J\", \"gateway\": \"\\u009b31m\", \"dhcp\": true, \"model\": \"" FFFD
            "M\\\\\", \"interface\": \"192.168.1.5\"}\n"
            "]\n");
  // What the escapes decode to is the quoting's own test.
  EXPECT_NO_THROW(nlohmann::json::parse(out.str()));
}

TEST_F(FindwayOutputTest, QueryValuesAndDiagnosticsStayOnTheirLines) {
  const protocol::DeviceRecord device = client.DeviceAt("192.168.1.21");
  const struct { const char* item; std::string printed, diagnostic; } queries[] = {
      {"shares", "ok\n\\x1b[2J\\x0d\\x0afake\nB\xc3\xbcro\n", ""},
      {"ssl", "1\\x0d\\x0aroot\n", "ssl=1\\x0d\\x0aroot=1\n"},  // the value kept is cut to 7 bytes
      {"domain", "\\x9b2J" FFFD "\n", "domain=\\x9b2J" FFFD "\n"},
      {"sharename", "a\\\\x1b\n", "sharename=a\\\\x1b\n"},
  };
  for (const auto& q : queries) {
    out.str("");
    diagnostics.str("");
    EXPECT_EQ(RunQuery(out, client, device, q.item), 1) << q.item;
    EXPECT_EQ(out.str(), q.printed) << q.item;
    EXPECT_EQ(diagnostics.str(), q.diagnostic) << q.item;
  }
  EXPECT_EQ(RunQuery(out, client, device, "bogus"), 0);
}

TEST(EchoedArgumentTest, EscapedAndCut) {
  EXPECT_EQ(EchoedArgument("10.0.0.\x1b[2J"), "'10.0.0.\\x1b[2J'");
  std::string breaks;
  for (int i = 0; i < 64; ++i) breaks += "\\x0a";
  EXPECT_EQ(EchoedArgument(std::string(70, '\n')), "'" + breaks + "...'");
}

}  // namespace
}  // namespace kfw::cli
