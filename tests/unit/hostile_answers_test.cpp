// Devices that answer with more than any device would: a name length of
// 0xFFFFFFFF, names longer than their field, bytes that are no UTF-8, share
// lists of ten thousand names, a code page of ten kilobytes, and twenty
// thousand devices at once. The tool lists or refuses them, within its
// window, and what findway writes stays one clean line per item.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/findway_output.h"
#include "protocol/safe_text.h"
#include "sim/simulated_network.h"

namespace kfw::cli {
namespace {

using std::chrono::milliseconds;

// Every line ends in '\n', is valid UTF-8 without a control character, and
// is at most `maxChars` characters long. Answers the number of lines.
int ExpectCleanLines(const std::string& text, std::size_t maxChars) {
  EXPECT_TRUE(text.empty() || text.back() == '\n');
  int lines = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line); ++lines) {
    const std::u32string decoded = protocol::DecodeUtf8(line);
    std::size_t replacements = 0;
    for (std::size_t at = line.find("\xEF\xBF\xBD"); at != std::string::npos;
         at = line.find("\xEF\xBF\xBD", at + 1))
      ++replacements;
    EXPECT_EQ(std::count(decoded.begin(), decoded.end(), U'\uFFFD'),
              static_cast<std::ptrdiff_t>(replacements))
        << "not UTF-8: " << lines;
    for (char32_t c : decoded) {
      EXPECT_FALSE(c < 0x20 || (c >= 0x7F && c <= 0x9F)) << "control " << int(c) << " in line " << lines;
    }
    EXPECT_LE(decoded.size(), maxChars) << "line " << lines;
  }
  return lines;
}

struct HostileAnswers : ::testing::Test {
  void SetUp() override { net.AddInterface("192.168.1.5", 1); }

  sim::DeviceConfig Device(const std::string& name, const std::string& address) {
    sim::DeviceConfig d;
    d.name = name;
    d.address = address;
    return d;
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork net{clock};
  protocol::ManagementClient client{net, clock};
  std::ostringstream diagnostics;
};

TEST_F(HostileAnswers, DiscoveryOfForgedAndOversizedDevices) {
  sim::DeviceConfig liar = Device("Liar", "192.168.1.20");
  liar.nameLengthField = 0xFFFFFFFF;
  net.AddDevice(1, liar);
  net.AddDevice(1, Device(std::string(300, 'N'), "192.168.1.21"));
  net.AddDevice(1, Device("\xff\xfe\xc3\x28\xed\xa0\x80 raw\x1b[2J", "192.168.1.22"));
  // Twenty thousand at once, each answering both requests.
  for (auto& forged : sim::GenerateDevices(20000, "10.9", 900)) net.AddDevice(1, forged);
  ASSERT_TRUE(client.StartNetwork());

  const auto start = clock.Now();
  client.DiscoverDevices(3, 3);
  EXPECT_EQ(clock.Now() - start, milliseconds(1040));
  ASSERT_EQ(client.deviceList.count(), 20003);
  const auto& first = client.deviceList.records();
  // A length past the datagram is cut to what it holds.
  EXPECT_EQ(first[0].name, "Liar");
  EXPECT_EQ(first[1].name, std::string(255, 'N'));
  EXPECT_EQ(first[2].name.size(), 15u);

  std::ostringstream table;
  WriteDeviceTable(table, client);
  EXPECT_EQ(ExpectCleanLines(table.str(), 1200), 20003 + 2);
  EXPECT_NE(table.str().find("\n20003 devices found\n"), std::string::npos);
  EXPECT_NE(table.str().find("\\x1b[2J"), std::string::npos) << "the escape is shown, not sent";

  std::ostringstream json;
  WriteDeviceJson(json, client);
  const auto parsed = nlohmann::json::parse(json.str());
  ASSERT_EQ(parsed.size(), 20003u);
  EXPECT_EQ(parsed[0]["name"], "Liar");
  EXPECT_EQ(parsed[2]["name"], "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD raw\x1b[2J");
}

TEST_F(HostileAnswers, OversizedQueryAnswers) {
  sim::DeviceConfig d = Device("Hoarder", "192.168.1.20");
  // Ten thousand shares, 300-byte names, bytes that are no UTF-8.
  d.shares.clear();
  for (int i = 0; i < 10000; ++i) {
    d.shares += i % 3 == 0 ? "sh\xff\xc0" + std::to_string(i)
              : i % 3 == 1 ? std::string(300, 'L') + std::to_string(i)
                           : "share\x1b" + std::to_string(i);
    d.shares += ':';
  }
  d.codepage = std::string(10 * 1024, '9');
  d.sharename = {std::string(300, 'S')};
  d.domain = "\xff\xfe" + std::string(5000, 'd');
  net.AddDevice(1, d);
  ASSERT_TRUE(client.StartNetwork());
  client.SetDiagnostics(&diagnostics);
  client.DiscoverDevices(3, 3);
  ASSERT_EQ(client.deviceList.count(), 1);
  client.selectedAddress = "192.168.1.20";

  std::ostringstream shares;
  ASSERT_EQ(RunQuery(shares, client, "shares"), 1);
  // What the receive limit keeps, without the name it cut.
  const int lines = ExpectCleanLines(shares.str(), 4 * 255);
  EXPECT_EQ(lines, client.shareList.count());
  EXPECT_GT(lines, 10);
  EXPECT_LT(lines, 1000);
  for (const auto& name : client.shareList) {
    EXPECT_LE(name.size(), 255u);
    EXPECT_FALSE(name.empty());
  }
  EXPECT_EQ(client.shareList.names()[0], "sh\xff\xc0" "0");

  for (const char* item : {"codepage", "sharename", "domain"}) {
    SCOPED_TRACE(item);
    std::ostringstream out;
    const auto start = clock.Now();
    ASSERT_EQ(RunQuery(out, client, item), 1);
    EXPECT_LE(clock.Now() - start, milliseconds(2320));
    EXPECT_EQ(ExpectCleanLines(out.str(), 4 * 127), 1);
  }
  EXPECT_EQ(client.codepageText.str(), std::string(75, '9'));
  // The diagnostics line carries what was read, escaped, on one line each.
  EXPECT_EQ(ExpectCleanLines(diagnostics.str(), 4 * 4096), 3);
}

}  // namespace
}  // namespace kfw::cli
