// The simulated device the other tests rely on, set up from its configuration file. Requests
// are built by hand, so it is checked against the wire format, not the program's builders.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "sim/sim_device.h"

namespace kfw::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using Out = std::vector<std::pair<long, std::string>>;  // delay in ms, datagram

// Another client than the tool may fill all ten bytes; the device echoes them.
const std::string kClient("\xC1\xC2\xC3\xC4\xC5\xC6\x77\0\0\x01", 10);
const std::string kId("\xA0\xA1\xA2\xA3\xA4\xA5\x0A\xC9\x01\x0A", 10);  // prefix, 10.201.1.10
const std::string kSep = "\x55\xAA";  // between user and password of a login
const std::string kModel = "KX-450R rack server, 8 bays, 10G";  // fills its field

std::string Zeros(std::size_t n) { return std::string(n, '\0'); }
std::string Field(std::string text, std::size_t width) { text.resize(width, '\0'); return text; }
std::string Header(int type, const std::string& id = kId) { return char(type) + kClient + id; }
std::string Answer(const std::string& value) { return Header(4) + Zeros(7) + value; }
std::string Done(int item, const std::string& id = kId) {
  return Header(6, id) + char(item) + Zeros(6);
}
const std::string kLan = Field("255.255.0.0", 16) + Field("10.201.0.254", 16);  // netmask, gateway
// A discovery reply from byte 21 on: DHCP flag, netmask and gateway, `rest`, name.
std::string Found(char dhcp, const std::string& lan, const std::string& rest) {
  return dhcp + Zeros(2) + lan + rest + Field("\7", 4) + "Archive";
}

// Reads a configuration file into `out`; "" or "failed: " and the complaint.
std::string Parse(const std::string& text, std::vector<DeviceConfig>& out) {
  std::istringstream in(text);
  std::string error;
  return ParseDeviceConfigs(in, out, error) ? "" : "failed: " + error;
}

// The device most cases talk to, as its configuration file has it, with `extra` lines.
DeviceConfig Device(const std::string& extra = "") {
  std::vector<DeviceConfig> out;
  EXPECT_EQ(Parse(
      "# the archive\n[device]\n  name = Archive \naddress=10.201.1.10\nnetmask = 255.255.0.0\n"
      "gateway = 10.201.0.254\ndhcp = on\nmodel = " + kModel + "\ncategory = 5\nsubcategory = 4\n"
      "id_prefix = A0a1A2a3A4a5\nshares = HDD_1:PUBLIC\nadmin_password = a" + kSep + "b\nssl = 1\n"
      "sharename = , HDD_a\ndomain = corp.example\ncodepage = 950\nworkgroup = OFFICE\nideok = 2, 1\n"
      "bt_firmware = 0,1\nlogin_verdict = 255\ndelay_ms = 10\njunk_interval_ms = 5\n" + extra,
      out), "");
  return out.size() == 1 ? out[0] : DeviceConfig{};
}

// A discovery (type 1), or a query (3) or set (5, with its 32 bytes of LAN
// fields) of `item` to device `id`; the payload's length ends the header.
std::string Request(int type, const std::string& id = kId, int item = 0,
                    const std::string& payload = "", const std::string& lan = "") {
  if (type == 1) return char(type) + kClient;
  const std::string length = {char(payload.size()), 0, 0, 0};  // little-endian, all short here
  return char(type) + kClient + id + char(item) + Zeros(2) + lan + length + payload;
}
std::string Query(int item, const std::string& text = "") { return Request(3, kId, item, text); }
std::string Set(int item, const std::string& text, const std::string& id = kId) {
  return Request(5, id, item, text, Zeros(32));
}

Out Sent(SimDevice& d, const std::string& request) {
  Out out;
  for (const auto& [delay, bytes] : d.HandleRequest(Bytes(request.begin(), request.end())))
    out.emplace_back(delay.count(), std::string(bytes.begin(), bytes.end()));
  return out;
}

// Requests in turn to one device, and what it sends for each ("": nothing).
TEST(SimDevice, AnswersEachRequestInTurn) {
  SimDevice d(Device());
  const std::string id200 = kId.substr(0, 9) + "\xC8", id47 = kId.substr(0, 9) + "\x2F";
  const std::string refused = Answer(Zeros(1)), typed = "\5\4" + Zeros(10) + kModel;
  const std::string moved = Field("255.255.255.0", 16) + Field("10.201.1.1", 16);
  const std::pair<std::string, std::string> script[] = {
      {Request(1), Header(8) + Found('1', kLan, typed)}, {Query(3), Answer("HDD_1:PUBLIC")},
      {Query(6), Answer("OFFICE")}, {Query(9), Answer("950")},
      {Query(18), Answer("corp.example")}, {Query(19), Answer("1")},
      // The sequences answer in turn, each on its own, and repeat their last;
      // an entry may be empty.
      {Query(11), Answer("2")}, {Query(15), Answer("0")}, {Query(12), Answer("")},
      {Query(11), Answer("1")}, {Query(15), Answer("1")}, {Query(12), Answer("HDD_a")},
      {Query(11), Answer("1")}, {Query(12), Answer("HDD_a")},
      // The login answers the configured verdict or 0; the password may hold the separator.
      {Query(4, "admin" + kSep + "a" + kSep + "b"), Answer("\xFF")}, {Query(4, "admin"), refused},
      {Query(4, "admin" + kSep + "a"), refused},
      {Query(4, "Admin" + kSep + "a" + kSep + "b"), refused},
      {Set(7, "TEAM"), Done(7)}, {Set(10, "rw"), Done(10)}, {Set(8, "936"), Done(8)},
      {Set(14, "BT"), Done(14)}, {Set(13, "stop"), Done(13)},
      {Set(5, "five"), Done(5)}, {Query(6), Answer("TEAM")}, {Query(9), Answer("936")},
      // Nothing for what is cut short, for another device, of an unknown item, or a reply.
      {"", ""}, {Request(1).substr(0, 10), ""}, {Query(12).substr(0, 27), ""},
      {Set(7, "TEAM").substr(0, 62), ""}, {Query(4, "admin" + kSep + "a").substr(0, 30), ""},
      {Query(99), ""}, {Set(99, "x"), ""},
      {Request(3, "\xA1" + kId.substr(1), 12), ""}, {Request(3, kId.substr(0, 9) + "\x0B", 12), ""},
      {Set(1, "10.201.1.300"), ""}, {Request(2, kId, 12, "x"), ""},
      // A static address, then DHCP (derived from the old address): each is
      // confirmed from the new address, which alone reaches the device after.
      {Request(5, kId, 1, "10.201.1.200", moved), Done(1, id200)},
      {Query(12), ""}, {Request(1), Header(8, id200) + Found('0', moved, typed)},
      {Set(2, "", id200), Done(2, id47)}, {Request(1), Header(8, id47) + Found('1', moved, typed)}};
  std::vector<Bytes> log;
  for (const auto& [request, reply] : script) {
    EXPECT_EQ(Sent(d, request), (reply.empty() ? Out{} : Out{{10, reply}})) << log.size();
    log.emplace_back(request.begin(), request.end());
  }
  EXPECT_EQ(d.requestLog(), log);
  // The add-on items, and only those, are recorded as the device took them.
  std::vector<std::string> events;
  for (const DeviceEvent& e : d.events()) events.push_back(e.item + " " + e.text);
  EXPECT_EQ(events, (std::vector<std::string>{"access_mode rw", "codepage 936", "addon BT", "control stop"}));
}

// What leaves for one request, and when, from a device configured otherwise.
TEST(SimDevice, ConfiguredBehaviour) {
  std::string answer = Answer("1"), unused = answer, otherTool = answer;  // and the junk:
  unused[0] = 9;  // of a type nobody uses, and meant for another tool
  for (int b = 1; b <= 6; ++b) otherTool[b] = static_cast<char>(~otherTool[b]);
  const std::tuple<std::string, std::string, Out> rows[] = {
      {"reply_type = 2", Request(1), {{10, Header(2) + Found('1', kLan, "")}}},
      {"reply_type = 7", Request(1), {{10, Header(7) + Found('1', kLan, "\5\4" + Zeros(10))}}},
      {"ignore_items = 19, 13", Query(19), {}}, {"ignore_items = 19, 13", Set(13, "stop"), {}},
      {"sharename =", Query(12), {{10, Answer("")}}}, {"ignore_items = 12", Query(12), {}},
      {"silent = yes", Request(1), {}}, {"duplicates = 3", Query(19), Out(3, {10, answer})},
      {"junk_flood = 4", Query(19),
       {{10, unused}, {15, otherTool}, {20, unused}, {25, otherTool}, {30, answer}}},
      // Only the first copy waits behind the junk.
      {"junk_flood = 2\nduplicates = 2", Query(19),
       {{10, unused}, {10, answer}, {15, otherTool}, {20, answer}}},
      {"dhcp_address = 10.201.9.9", Set(2, ""), {{10, Done(2, kId.substr(0, 8) + "\x09\x09")}}},
      // It names another address than its own where a discovery reply does.
      {"claims_address = 127.0.0.1", Request(1),
       {{10, Header(8, kId.substr(0, 6) + std::string("\x7F\0\0\x01", 4)) +
                 Found('1', kLan, "\5\4" + Zeros(10) + kModel)}}},
      {"claims_address = 127.0.0.1", Query(19), {{10, answer}}}};
  for (const auto& [config, request, out] : rows) {
    SimDevice d(Device(config));
    EXPECT_EQ(Sent(d, request), out) << config;
  }
}

// The web console's and the add-on share's keys are read by the test beds,
// whose devices show them; several private shares are not.
TEST(SimConfig, PrivateSharesAndTheirUser) {
  const DeviceConfig d = Device("smb_user = bob_2\nsmb_password = p w#\nprivate_shares = B::C\n");
  EXPECT_EQ(std::tie(d.smbUser, d.smbPassword), std::make_tuple("bob_2", "p w#"));
  EXPECT_EQ(d.privateShares, (std::vector<std::string>{"B", "C"}));
}

TEST(SimConfig, ErrorsNameTheLineAndLeaveTheListAlone) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"name = x\n", "line 1:"}, {"[device]\n\n# c\nbogus = 1\n", "line 4:"},
      {"[device]\naddress = 10.1.1.1\n[devices]\n", "line 3:"},
      {"[device]\naddress = 10.1.1.1\n[device]\naddress = 10.1.1.1\n", "line 4:"}};
  for (const char* bad : {"address = 10.1.1", "reply_type = 3", "id_prefix = 0011223344",
                          "id_prefix = 00112233445g", "delay_ms = 100-50", "delay_ms = -5",
                          "dhcp = maybe", "model = 123456789012345678901234567890123",
                          "ignore_items = 3,x", "duplicates = 0", "just some text", "smb_user = Bob",
                          "smb_user = 1bob", "smb_user = bob;rm", "smb_user =", "web = fast",
                          "web_delay_ms = -1", "vanish_share_ms = -2", "flood_kinds = random, loud",
                          "flood_rate = fast", "name_length = 4294967296", "claims_address = 127.0.0"})
    cases.push_back({"[device]\n" + std::string(bad) + "\n", "line 2:"});
  for (const auto& [text, where] : cases) {
    std::vector<DeviceConfig> out(1);
    const std::string error = Parse(text, out);
    EXPECT_TRUE(error.starts_with("failed: " + where) && out.size() == 1) << text << error;
  }
}

TEST(SimConfig, GeneratedDevicesFollowTheSegmentPlanWithEveryReplyType) {
  const auto devices = GenerateDevices(1000, "10.201", 100);
  ASSERT_EQ(devices.size(), 1000u);
  std::set<std::tuple<int, int, int>> kinds;  // reply type, delay range
  for (const DeviceConfig& d : devices) kinds.emplace(d.replyType, d.delayMinMs, d.delayMaxMs);
  EXPECT_EQ(kinds, (std::set<std::tuple<int, int, int>>{{2, 0, 100}, {7, 0, 100}, {8, 0, 100}}));
  EXPECT_EQ(std::tie(devices[0].address, devices[249].address, devices[250].address,
                     devices[999].address),
            std::tuple("10.201.1.1", "10.201.1.250", "10.201.2.1", "10.201.4.250"));
}

// The flood's kinds in turn, each shaped after the last request: the
// answer's type with another client id, an unused type, the asker's client
// id from another address, and random bytes.
TEST(SimDevice, FloodKindsFollowTheLastRequest) {
  SimDevice d(Device("flood_rate = max\nflood_burst = 8\nflood_at_start = off\n"
                     "flood_kinds = foreign, other_type, wrong_sender, random\nname_length = 4294967295"));
  EXPECT_EQ(std::tie(d.config().floodRate, d.config().floodBurst, d.config().floodAtStart), std::tuple(-1, 8, false));
  const auto flood = [&](uint64_t n) {
    const Bytes b = d.FloodDatagram(n);
    return std::string(b.begin(), b.end());
  };
  std::string foreign = Answer("1"), wrongSender = Answer("1");
  for (int b = 1; b <= 6; ++b) foreign[b] = static_cast<char>(~foreign[b]);
  wrongSender[20] = static_cast<char>(wrongSender[20] ^ 0x80);

  Sent(d, Query(19));
  EXPECT_EQ(flood(0), foreign);
  EXPECT_EQ(flood(1), char(9) + Answer("1").substr(1));
  EXPECT_EQ(flood(2), wrongSender);
  const std::string random = flood(3);
  EXPECT_GE(random.size(), 1u);
  EXPECT_LE(random.size(), 600u);
  EXPECT_NE(random, flood(7)) << "random bytes differ each time";

  // After a set, the set answer's type; after a discovery, the device's
  // discovery reply (its name length as configured), but from another
  // address only a targeted answer's type, which no discovery lists.
  Sent(d, Set(13, "stop"));
  EXPECT_EQ(flood(4)[0], 6);
  EXPECT_EQ(flood(6)[0], 6);
  Sent(d, Request(1));
  const std::string found = flood(0);
  EXPECT_EQ(found[0], 8);
  EXPECT_EQ(found.substr(found.size() - 11, 4), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(flood(2)[0], 4);

  // Forged: the device's own discovery reply for the asker, from a new
  // address every time.
  SimDevice forger(Device("flood_kinds = forged"));
  const std::string genuine = Sent(forger, Request(1)).at(0).second;
  for (const int n : {0, 1, 300}) {
    std::string expected = genuine;
    expected.replace(17, 4, {100, 64, char(n >> 8), char(n)});
    const Bytes b = forger.FloodDatagram(static_cast<uint64_t>(n));
    EXPECT_EQ(std::string(b.begin(), b.end()), expected) << n;
  }
}

}  // namespace
}  // namespace kfw::sim
