// The simulated device: reply layouts byte for byte, the answer (or silence)
// for every request, address changes, behaviour switches, and its
// configuration files. Requests are built by hand here so the device is
// checked against the wire format itself, not against the program's own
// builders.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <tuple>

#include "sim/sim_device.h"

namespace kfw::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// The tool leaves the last four bytes zero; another client may not, and the
// device echoes all ten.
const Bytes kClient = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0x77, 0, 0, 0x01};
const std::string kSep = "\x55\xAA";  // between user and password of a login

DeviceConfig BaseConfig() {
  DeviceConfig c;
  c.name = "Archive";
  c.address = "10.201.1.10";
  c.netmask = "255.255.0.0";
  c.gateway = "10.201.0.254";
  c.idPrefix = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
  return c;
}

Bytes IdOf(const SimDevice& d) {
  const auto id = d.deviceId();
  return Bytes(id.begin(), id.end());
}

// A request from kClient: discovery (type 1), query (3) or set (5) of `item`
// to device `id`. The payload's length is in the header's last four bytes; a
// set also carries the netmask and gateway fields.
Bytes Request(uint8_t type, const Bytes& id = {}, uint8_t item = 0, const std::string& payload = "",
              const std::string& netmask = "", const std::string& gateway = "") {
  Bytes b(type == 1 ? 11 : type == 3 ? 28 : 60, 0);
  b[0] = type;
  std::copy(kClient.begin(), kClient.end(), b.begin() + 1);
  if (type == 1) return b;
  std::copy(id.begin(), id.end(), b.begin() + 11);
  b[21] = item;
  std::copy(netmask.begin(), netmask.end(), b.begin() + 24);
  std::copy(gateway.begin(), gateway.end(), b.begin() + 40);
  for (std::size_t i = 0; i < 4; ++i)
    b[b.size() - 4 + i] = static_cast<uint8_t>(payload.size() >> (8 * i));
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

// The first 21 bytes of every reply: its type, the request's client id and
// the answering device's id.
Bytes Header(uint8_t type, const Bytes& id) {
  Bytes b = {type};
  b.insert(b.end(), kClient.begin(), kClient.end());
  b.insert(b.end(), id.begin(), id.end());
  return b;
}

Bytes Cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

// The only reply to `request`; fails the test unless there is exactly one.
Bytes OnlyReply(SimDevice& d, const Bytes& request) {
  auto out = d.HandleRequest(request);
  EXPECT_EQ(out.size(), 1u);
  return out.empty() ? Bytes{} : out.front().bytes;
}

// Bytes [from, to) of a reply as text; "<short>" when the reply ends first.
std::string Text(const Bytes& b, std::size_t from, std::size_t to) {
  if (b.size() < to) return "<short>";
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(from),
                     b.begin() + static_cast<std::ptrdiff_t>(to));
}

// `text` as a NUL-padded field of `width` bytes.
std::string Field(const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, '\0');
  return field;
}

TEST(SimDeviceDiscovery, ReplyLayoutOfEachType) {
  struct Case { int type; std::size_t nameLengthAt; std::string netmask, model; };
  // The last case fills the netmask exactly (no terminator) and overfills the model.
  for (const Case& k : {Case{2, 56, "255.255.0.0", ""}, Case{7, 68, "255.255.0.0", ""},
                        Case{8, 100, "255.255.0.0", "KX-450R"},
                        Case{8, 100, "255.255.255.0.00", std::string(40, 'M')}}) {
    SCOPED_TRACE(k.type);
    DeviceConfig c = BaseConfig();
    c.replyType = k.type;
    c.netmask = k.netmask;
    c.model = k.model;
    c.dhcp = k.type != 8;
    c.category = 5;
    c.subcategory = 4;
    SimDevice d(c);
    const Bytes r = OnlyReply(d, Request(1));
    ASSERT_EQ(r.size(), k.nameLengthAt + 4 + 7);
    EXPECT_EQ(Cut(r, 21), Header(k.type, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 10, 201, 1, 10}));
    EXPECT_EQ(r[21], c.dhcp ? '1' : '0');
    EXPECT_EQ(Text(r, 24, 56), Field(k.netmask, 16) + Field("10.201.0.254", 16));
    if (k.type != 2) { EXPECT_EQ(Text(r, 56, 68), "\5\4" + std::string(10, '\0')); }
    if (k.type == 8) { EXPECT_EQ(Text(r, 68, 100), Field(k.model, 32)); }
    EXPECT_EQ(Text(r, k.nameLengthAt, r.size()), std::string("\7\0\0\0Archive", 11));
  }
}

// Requests in order to one device: queries answer type 4 with their text
// after the 28-byte header, sets type 6, and whatever is not a well-formed
// request for this device gets nothing. Every datagram is logged.
TEST(SimDeviceExchange, EachRequestGetsItsAnswerOrNone) {
  DeviceConfig c = BaseConfig();
  c.shares = "HDD_1:PUBLIC";
  c.workgroup = "OFFICE";
  c.codepage = "950";
  c.sharename = "HDD_a";
  c.domain = "corp.example";
  c.ssl = "1";
  c.ideok = {"2", "1"};
  c.btFirmware = {"0", "1"};
  c.adminPassword = "a" + kSep + "b";
  c.loginVerdict = 0xFF;
  SimDevice d(c);
  const Bytes id = IdOf(d);
  Bytes otherId = id, otherPrefix = id, loginCut = Request(3, id, 4, "admin" + kSep);
  otherId[9] ^= 1;
  otherPrefix[0] ^= 1;
  loginCut[24] = 40;  // claims more than the datagram holds
  auto query = [&](uint8_t item, const std::string& text = "") {
    return Request(3, id, item, text);
  };
  auto set = [&](uint8_t item, const std::string& text) {
    return Request(5, id, item, text, "255.255.0.0");
  };
  const std::string refused(1, '\0');
  struct Case { Bytes request; int replyType; std::string value; };  // type 0: no answer
  std::vector<Case> cases = {
      {query(3), 4, "HDD_1:PUBLIC"}, {query(6), 4, "OFFICE"}, {query(9), 4, "950"},
      {query(12), 4, "HDD_a"}, {query(18), 4, "corp.example"}, {query(19), 4, "1"},
      // The sequences answer in turn, each on its own, and repeat their last.
      {query(11), 4, "2"}, {query(15), 4, "0"}, {query(11), 4, "1"}, {query(15), 4, "1"},
      {query(11), 4, "1"},
      // The login answers the configured verdict or 0; the password may hold the separator.
      {query(4, "admin" + kSep + "a" + kSep + "b"), 4, "\xFF"},
      {query(4, "admin" + kSep + "a"), 4, refused},
      {query(4, "admin" + kSep), 4, refused},
      {query(4, "Admin" + kSep + "a" + kSep + "b"), 4, refused},
      {query(4, "admin"), 4, refused},
      // The storing set items are confirmed and keep their text.
      {set(7, "TEAM"), 6, ""}, {set(8, "936"), 6, ""}, {set(10, "rw"), 6, ""},
      {set(13, "stop"), 6, ""}, {set(14, "BT"), 6, ""}, {set(5, "five"), 6, ""},
      {query(6), 4, "TEAM"}, {query(9), 4, "936"},
      // Nothing that is cut short, for another device or of an unknown item.
      {{}, 0, ""}, {Cut(Request(1), 10), 0, ""}, {Cut(query(12), 27), 0, ""},
      {Cut(set(7, ""), 59), 0, ""}, {Cut(set(7, "TEAM"), 62), 0, ""}, {loginCut, 0, ""},
      {Request(3, otherId, 12), 0, ""}, {Request(3, otherPrefix, 12), 0, ""},
      {query(99), 0, ""}, {set(99, "x"), 0, ""},
  };
  for (const char* bad : {"", "10.201.1", "10.201.1.300", "10.201.1.1x", "a.b.c.d"})
    cases.push_back({set(1, bad), 0, ""});
  for (uint8_t reply : {2, 4, 6, 7, 8})  // what other devices send
    cases.push_back({Request(reply, id, 12, "xx"), 0, ""});

  for (std::size_t n = 0; n < cases.size(); ++n) {
    const Case& k = cases[n];
    SCOPED_TRACE("case " + std::to_string(n));
    const auto out = d.HandleRequest(k.request);
    ASSERT_EQ(d.requestLog().size(), n + 1);
    EXPECT_EQ(d.requestLog().back(), k.request);
    ASSERT_EQ(out.size(), k.replyType ? 1u : 0u);
    if (!k.replyType) continue;
    EXPECT_EQ(Cut(out[0].bytes, 21), Header(k.replyType, id));
    if (k.replyType == 4) {
      EXPECT_EQ(Text(out[0].bytes, 21, out[0].bytes.size()), Field("", 7) + k.value);
    }
  }
  EXPECT_EQ(d.address(), "10.201.1.10");
  EXPECT_EQ(std::tie(d.config().accessMode, d.config().control, d.config().addon, d.config().item5),
            std::make_tuple("rw", "stop", "BT", "five"));

  // Ignored items, and a login to a device without a password.
  c.ignoreItems = {19, 13};
  c.adminPassword = "";
  SimDevice picky(c);
  EXPECT_TRUE(picky.HandleRequest(query(19)).empty());
  EXPECT_TRUE(picky.HandleRequest(set(13, "stop")).empty());
  EXPECT_EQ(Text(OnlyReply(picky, query(4, "admin" + kSep)), 28, 29), "\xFF");
  EXPECT_EQ(Text(OnlyReply(picky, query(4, "admin" + kSep + "x")), 28, 29), refused);
  EXPECT_EQ(Text(OnlyReply(picky, query(4, "admin")), 28, 29), refused);
  c.silent = true;
  SimDevice mute(c);
  EXPECT_TRUE(mute.HandleRequest(Request(1)).empty());
  EXPECT_TRUE(mute.HandleRequest(set(1, "10.1.1.1")).empty());
  EXPECT_EQ(mute.address(), "10.201.1.10");
  EXPECT_EQ(mute.requestLog().size(), 2u);
}

// A static address (from DHCP on) or a switch to DHCP (a configured lease, or
// an address derived from the old one): the confirmation comes from the new
// address, the old id no longer reaches the device, and discovery reports the
// new settings; the DHCP switch keeps netmask and gateway.
TEST(SimDeviceAddressChange, AnswersFromTheNewAddressAndMovesTheDevice) {
  struct Case {
    std::string from, lease;
    uint8_t item;
    std::string payload, netmask, gateway;
    Bytes to;
  };
  for (const Case& k : {
           Case{"10.201.1.10", "", 1, "10.201.7.7", "255.255.255.0", "10.201.7.1", {10, 201, 7, 7}},
           Case{"10.201.1.10", "10.201.9.9", 2, "", "", "", {10, 201, 9, 9}},
           Case{"10.201.1.10", "", 2, "", "", "", {10, 201, 1, 111}},
           Case{"10.201.1.200", "", 2, "", "", "", {10, 201, 1, 47}}}) {
    SCOPED_TRACE(k.from + " item " + std::to_string(k.item) + " lease " + k.lease);
    DeviceConfig c = BaseConfig();
    c.address = k.from;
    c.dhcpAddress = k.lease;
    c.dhcp = k.item == 1;
    SimDevice d(c);
    const Bytes oldId = IdOf(d);
    Bytes newId = oldId;
    std::copy(k.to.begin(), k.to.end(), newId.begin() + 6);

    const Bytes r = OnlyReply(d, Request(5, oldId, k.item, k.payload, k.netmask, k.gateway));
    EXPECT_EQ(Cut(r, 21), Header(6, newId));
    EXPECT_TRUE(d.HandleRequest(Request(3, oldId, 12)).empty());
    const Bytes disc = OnlyReply(d, Request(1));
    EXPECT_EQ(Cut(disc, 21), Header(8, newId));
    EXPECT_EQ(Text(disc, 21, 22), k.item == 1 ? "0" : "1");
    EXPECT_EQ(Text(disc, 24, 56), k.item == 1 ? Field(k.netmask, 16) + Field(k.gateway, 16)
                                              : Field(c.netmask, 16) + Field(c.gateway, 16));
  }
}

// Each copy of a reply leaves after its own delay in the configured range;
// the same seed gives the same delays.
TEST(SimDeviceBehaviour, CopiesAndTheirDelays) {
  DeviceConfig c = BaseConfig();
  c.delayMinMs = 20;
  c.delayMaxMs = 60;
  c.duplicates = 3;
  SimDevice a(c, 7), b(c, 7);
  std::vector<long> delays, again;
  for (int i = 0; i < 20; ++i) {
    const auto out = a.HandleRequest(Request(1));
    ASSERT_EQ(out.size(), 3u);
    for (const auto& copy : out) {
      EXPECT_EQ(copy.bytes, out[0].bytes);
      EXPECT_GE(copy.delay.count(), delays.size() % 3 ? delays.back() : 20);  // in leaving order
      EXPECT_LE(copy.delay.count(), 60);
      delays.push_back(copy.delay.count());
    }
    for (const auto& copy : b.HandleRequest(Request(1))) again.push_back(copy.delay.count());
  }
  EXPECT_EQ(again, delays);
  EXPECT_GT(std::set<long>(delays.begin(), delays.end()).size(), 10u);
}

// Junk leaves ahead of the answer, one datagram per interval: alternately of
// a type nobody uses and the answer meant for another tool.
TEST(SimDeviceBehaviour, JunkFloodPrecedesTheAnswerAtItsInterval) {
  DeviceConfig c = BaseConfig();
  c.junkFlood = 4;
  c.junkIntervalMs = 5;
  c.delayMinMs = c.delayMaxMs = 10;
  SimDevice d(c), plain(BaseConfig());
  const Bytes answer = OnlyReply(plain, Request(3, IdOf(d), 19));
  const auto out = d.HandleRequest(Request(3, IdOf(d), 19));
  ASSERT_EQ(out.size(), 5u);
  for (std::size_t k = 0; k < out.size(); ++k) {
    SCOPED_TRACE(k);
    const Bytes& sent = out[k].bytes;
    const bool unusedType = k % 2 == 0 && k < 4, otherTool = k % 2 == 1;
    EXPECT_EQ(out[k].delay.count(), 10 + 5 * static_cast<long>(k));
    ASSERT_EQ(sent.size(), answer.size());
    EXPECT_EQ(sent[0], unusedType ? 9 : 4);
    EXPECT_EQ(std::equal(sent.begin() + 1, sent.begin() + 7, answer.begin() + 1), !otherTool);
    EXPECT_TRUE(std::equal(sent.begin() + 7, sent.end(), answer.begin() + 7));
  }
}

TEST(SimConfigParse, ReadsEveryKey) {
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"name", "First NAS"}, {"address", "10.201.1.5"}, {"netmask", "255.255.255.0"},
      {"gateway", ""}, {"dhcp", "yes"}, {"model", "KX-320"}, {"reply_type", "7"},
      {"category", "2"}, {"subcategory", "1"}, {"id_prefix", "0a0B0c0d0e0f"},
      {"dhcp_address", "10.201.1.99"}, {"shares", "A:B"}, {"admin_password", "p#w"},
      {"ssl", "1"}, {"sharename", "HDD_a"}, {"domain", "example"}, {"codepage", "865"},
      {"workgroup", "WG"}, {"ideok", "2, 1"}, {"bt_firmware", "0,1"}, {"login_verdict", "255"},
      {"delay_ms", "10-20"}, {"silent", "on"}, {"duplicates", "2"}, {"junk_flood", "3"},
      {"junk_interval_ms", "4"}, {"ignore_items", "13,19"}, {"web", "slow"},
      {"web_delay_ms", "2500"}};
  std::string text = "# two devices\n[device]\n";
  for (const auto& [key, value] : keys) text += "  " + key + " = " + value + "\n";
  std::istringstream in(text + "\n[device]\naddress=10.201.1.6\ndelay_ms = 50\nweb = off\n");
  std::vector<DeviceConfig> out;
  std::string error;
  ASSERT_TRUE(ParseDeviceConfigs(in, out, error)) << error;
  ASSERT_EQ(out.size(), 2u);
  const DeviceConfig& a = out[0];
  EXPECT_EQ(std::tie(a.name, a.address, a.netmask, a.gateway, a.model, a.dhcpAddress, a.shares,
                     a.adminPassword, a.ssl, a.sharename, a.domain, a.codepage, a.workgroup),
            std::make_tuple("First NAS", "10.201.1.5", "255.255.255.0", "", "KX-320", "10.201.1.99",
                            "A:B", "p#w", "1", "HDD_a", "example", "865", "WG"));
  EXPECT_EQ(std::tie(a.replyType, a.category, a.subcategory, a.loginVerdict, a.delayMinMs,
                     a.delayMaxMs, a.duplicates, a.junkFlood, a.junkIntervalMs, a.dhcp, a.silent,
                     a.web, a.webDelayMs),
            std::make_tuple(7, 2, 1, 255, 10, 20, 2, 3, 4, true, true, DeviceConfig::Web::Slow, 2500));
  EXPECT_EQ(a.idPrefix, (std::array<uint8_t, 6>{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}));
  EXPECT_EQ(a.ideok, (std::vector<std::string>{"2", "1"}));
  EXPECT_EQ(a.btFirmware, (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(a.ignoreItems, (std::vector<int>{13, 19}));
  const DeviceConfig& b = out[1];  // untouched keys keep their defaults
  EXPECT_EQ(std::tie(b.address, b.delayMinMs, b.delayMaxMs, b.replyType, b.silent, b.web),
            std::make_tuple("10.201.1.6", 50, 50, 8, false, DeviceConfig::Web::Off));
}

TEST(SimConfigParse, ErrorsNameTheLineAndLeaveTheListAlone) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"name = x\n", "line 1:"},
      {"[device]\n\n# c\nbogus = 1\n", "line 4:"},
      {"[device]\naddress = 10.1.1.1\n[devices]\n", "line 3:"},
      {"[device]\naddress = 10.1.1.1\n[device]\naddress = 10.1.1.1\n", "line 4:"},
  };
  for (const std::string& bad : std::vector<std::string>{
           "address = 10.1.1", "reply_type = 3", "id_prefix = 0011223344",
           "id_prefix = 00112233445g", "delay_ms = 100-50", "delay_ms = -5", "dhcp = maybe",
           "netmask = 255.255.255.255.255", "model = " + std::string(33, 'm'),
           "ignore_items = 3,x", "duplicates = 0", "web = fast", "web_delay_ms = -1",
           "just some text"})
    cases.push_back({"[device]\n" + bad + "\n", "line 2:"});
  for (const auto& [text, where] : cases) {
    SCOPED_TRACE(text);
    std::istringstream in(text);
    std::vector<DeviceConfig> out{DeviceConfig{}};
    std::string error;
    EXPECT_FALSE(ParseDeviceConfigs(in, out, error));
    EXPECT_EQ(error.rfind(where, 0), 0u) << error;
    EXPECT_EQ(out.size(), 1u);
  }
}

TEST(SimConfigGenerate, AddressesFollowTheSegmentPlanWithEveryReplyType) {
  const auto devices = GenerateDevices(1000, "10.201", 100);
  ASSERT_EQ(devices.size(), 1000u);
  std::set<int> types;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(devices[i].address,
              "10.201." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250));
    EXPECT_EQ(std::tie(devices[i].delayMinMs, devices[i].delayMaxMs), std::make_tuple(0, 100));
    types.insert(devices[i].replyType);
  }
  EXPECT_EQ(types, (std::set<int>{2, 7, 8}));
}

}  // namespace
}  // namespace kfw::sim
