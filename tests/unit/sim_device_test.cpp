// The simulated device: reply layouts byte for byte, the answers to every
// item, address changes, behaviour switches, and its configuration files.
// Requests are built by hand here so the device is checked against the wire
// format itself, not against the program's own builders.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "sim/sim_device.h"

namespace kfw::sim {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kClient = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0, 0, 0, 0};

DeviceConfig BaseConfig() {
  DeviceConfig c;
  c.name = "Archive";
  c.address = "10.201.1.10";
  c.netmask = "255.255.0.0";
  c.gateway = "10.201.0.254";
  c.model = "KX-450R";
  c.idPrefix = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
  return c;
}

Bytes IdOf(const SimDevice& d) {
  const auto id = d.deviceId();
  return Bytes(id.begin(), id.end());
}

void PutU32(Bytes& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes Discover() {
  Bytes b(11, 0);
  b[0] = 1;
  std::copy(kClient.begin(), kClient.end(), b.begin() + 1);
  return b;
}

Bytes Targeted(uint8_t type, const Bytes& id, uint8_t item, std::size_t size) {
  Bytes b(size, 0);
  b[0] = type;
  std::copy(kClient.begin(), kClient.end(), b.begin() + 1);
  std::copy(id.begin(), id.end(), b.begin() + 11);
  b[21] = item;
  return b;
}

Bytes Query(const Bytes& id, uint8_t item) { return Targeted(3, id, item, 28); }

Bytes Login(const Bytes& id, const std::string& user, const std::string& password) {
  Bytes b = Targeted(3, id, 4, 28);
  b.insert(b.end(), user.begin(), user.end());
  b.push_back(0x55);
  b.push_back(0xAA);
  b.insert(b.end(), password.begin(), password.end());
  PutU32(b, 24, static_cast<uint32_t>(b.size() - 28));
  return b;
}

Bytes Set(const Bytes& id, uint8_t item, const std::string& payload,
          const std::string& netmask = "", const std::string& gateway = "") {
  Bytes b = Targeted(5, id, item, 60);
  std::copy(netmask.begin(), netmask.end(), b.begin() + 24);
  std::copy(gateway.begin(), gateway.end(), b.begin() + 40);
  PutU32(b, 56, static_cast<uint32_t>(payload.size()));
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

// The only reply to `request`; fails the test unless there is exactly one.
Bytes OnlyReply(SimDevice& d, const Bytes& request) {
  auto out = d.HandleRequest(request);
  EXPECT_EQ(out.size(), 1u);
  return out.empty() ? Bytes{} : out.front().bytes;
}

std::string Text(const Bytes& b, std::size_t from, std::size_t to) {
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(from),
                     b.begin() + static_cast<std::ptrdiff_t>(to));
}

std::string QueryValue(SimDevice& d, uint8_t item) {
  const Bytes r = OnlyReply(d, Query(IdOf(d), item));
  return r.size() < 28 ? "<short>" : Text(r, 28, r.size());
}

std::string Address(const Bytes& reply) {
  return std::to_string(reply[17]) + "." + std::to_string(reply[18]) + "." +
         std::to_string(reply[19]) + "." + std::to_string(reply[20]);
}

// --- Discovery replies -------------------------------------------------------

struct LayoutCase {
  int type;
  std::size_t nameLengthAt;
};

class DiscoveryLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DiscoveryLayout, CommonFieldsAndTypeSpecificTail) {
  DeviceConfig c = BaseConfig();
  c.replyType = GetParam().type;
  c.category = 3;
  c.subcategory = 4;
  c.dhcp = true;
  SimDevice d(c);
  const Bytes r = OnlyReply(d, Discover());
  const std::size_t at = GetParam().nameLengthAt;

  ASSERT_EQ(r.size(), at + 4 + c.name.size());
  EXPECT_EQ(r[0], c.replyType);
  EXPECT_TRUE(std::equal(kClient.begin(), kClient.end(), r.begin() + 1));
  EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 21),
            (Bytes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 10, 201, 1, 10}));
  EXPECT_EQ(r[21], '1');
  EXPECT_EQ(Text(r, 24, 40), std::string("255.255.0.0") + std::string(5, '\0'));
  EXPECT_EQ(Text(r, 40, 56), std::string("10.201.0.254") + std::string(4, '\0'));
  EXPECT_EQ(r[at], c.name.size());
  EXPECT_EQ(r[at + 1] | r[at + 2] | r[at + 3], 0);
  EXPECT_EQ(Text(r, at + 4, r.size()), "Archive");
  if (c.replyType != 2) {
    EXPECT_EQ(r[56], 3);
    EXPECT_EQ(r[57], 4);
    EXPECT_TRUE(std::all_of(r.begin() + 58, r.begin() + 68, [](uint8_t b) { return b == 0; }));
  }
  if (c.replyType == 8) {
    EXPECT_EQ(Text(r, 68, 100), "KX-450R" + std::string(25, '\0'));
  }
}

INSTANTIATE_TEST_SUITE_P(ReplyTypes, DiscoveryLayout,
                         ::testing::Values(LayoutCase{2, 56}, LayoutCase{7, 68}, LayoutCase{8, 100}),
                         [](const auto& info) { return "Type" + std::to_string(info.param.type); });

TEST(SimDeviceDiscovery, FullWidthFieldsHaveNoTerminatorAndLongerTextsAreCut) {
  DeviceConfig c = BaseConfig();
  c.netmask = "255.255.255.0.00";  // exactly 16
  c.model = std::string(40, 'M');
  c.dhcp = false;
  SimDevice d(c);
  const Bytes r = OnlyReply(d, Discover());
  EXPECT_EQ(Text(r, 24, 40), "255.255.255.0.00");
  EXPECT_EQ(r[40], '1');  // the gateway follows at once
  EXPECT_EQ(Text(r, 68, 100), std::string(32, 'M'));
  EXPECT_EQ(r[100], 7);
  EXPECT_EQ(r[21], '0');
}

TEST(SimDeviceDiscovery, EchoesWhateverClientIdTheRequestCarries) {
  SimDevice d(BaseConfig());
  Bytes request = Discover();
  request[7] = 0x77;  // the tool leaves these zero, but another client may not
  const Bytes r = OnlyReply(d, request);
  EXPECT_TRUE(std::equal(request.begin() + 1, request.end(), r.begin() + 1));
}

// --- Queries -------------------------------------------------------------------

TEST(SimDeviceQuery, EveryValueItemAnswersItsConfiguredText) {
  DeviceConfig c = BaseConfig();
  c.shares = "HDD_1:PUBLIC";
  c.workgroup = "OFFICE";
  c.codepage = "950";
  c.sharename = "HDD_a";
  c.domain = "corp.example";
  c.ssl = "1";
  const std::vector<std::pair<uint8_t, std::string>> cases = {
      {3, "HDD_1:PUBLIC"}, {6, "OFFICE"}, {9, "950"},          {12, "HDD_a"},
      {18, "corp.example"}, {19, "1"},    {11, "1"},            {15, "0"},
  };
  SimDevice d(c);
  for (const auto& [item, expected] : cases) {
    SCOPED_TRACE("item " + std::to_string(item));
    const Bytes r = OnlyReply(d, Query(IdOf(d), item));
    ASSERT_GE(r.size(), 28u);
    EXPECT_EQ(r[0], 4);
    EXPECT_TRUE(std::equal(kClient.begin(), kClient.end(), r.begin() + 1));
    EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 21), IdOf(d));
    EXPECT_TRUE(std::all_of(r.begin() + 21, r.begin() + 28, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(Text(r, 28, r.size()), expected);
  }
}

TEST(SimDeviceQuery, SequencesAnswerInTurnAndRepeatTheLast) {
  DeviceConfig c = BaseConfig();
  c.ideok = {"2", "2", "1"};
  c.btFirmware = {"0", "1"};
  SimDevice d(c);
  std::vector<std::string> ideok, bt;
  for (int i = 0; i < 5; ++i) {
    ideok.push_back(QueryValue(d, 11));
    bt.push_back(QueryValue(d, 15));
  }
  EXPECT_EQ(ideok, (std::vector<std::string>{"2", "2", "1", "1", "1"}));
  EXPECT_EQ(bt, (std::vector<std::string>{"0", "1", "1", "1", "1"}));
}

struct LoginCase {
  const char* label;
  std::string user;
  std::string password;
  std::string configured;
  int verdictSetting;
  int expectedByte;
};

class SimDeviceLogin : public ::testing::TestWithParam<LoginCase> {};

TEST_P(SimDeviceLogin, VerdictByte) {
  DeviceConfig c = BaseConfig();
  c.adminPassword = GetParam().configured;
  c.loginVerdict = GetParam().verdictSetting;
  SimDevice d(c);
  const Bytes r = OnlyReply(d, Login(IdOf(d), GetParam().user, GetParam().password));
  ASSERT_EQ(r.size(), 29u);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(r[28], GetParam().expectedByte);
}

INSTANTIATE_TEST_SUITE_P(
    Credentials, SimDeviceLogin,
    ::testing::Values(LoginCase{"EmptyPasswordAccepted", "admin", "", "", 1, 1},
                      LoginCase{"RightPassword", "admin", "s3cret", "s3cret", 1, 1},
                      LoginCase{"WrongPassword", "admin", "s3cre", "s3cret", 1, 0},
                      LoginCase{"PasswordGivenWhenNoneSet", "admin", "x", "", 1, 0},
                      LoginCase{"OtherUser", "root", "s3cret", "s3cret", 1, 0},
                      LoginCase{"UserIsCaseSensitive", "Admin", "", "", 1, 0},
                      LoginCase{"ConfiguredVerdictSent", "admin", "", "", 0xFF, 0xFF},
                      LoginCase{"PasswordWithSeparatorBytes", "admin", "a\x55\xAA" "b",
                                "a\x55\xAA" "b", 1, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SimDeviceLoginPayload, MissingSeparatorIsRefusedAndOverlongLengthUnanswered) {
  SimDevice d(BaseConfig());
  Bytes noSeparator = Targeted(3, IdOf(d), 4, 28);
  const std::string body = "admin";
  noSeparator.insert(noSeparator.end(), body.begin(), body.end());
  PutU32(noSeparator, 24, 5);
  EXPECT_EQ(OnlyReply(d, noSeparator).at(28), 0);

  Bytes cut = Login(IdOf(d), "admin", "");
  PutU32(cut, 24, 40);  // claims more than the datagram holds
  EXPECT_TRUE(d.HandleRequest(cut).empty());
}

// --- Sets and address changes ---------------------------------------------------

TEST(SimDeviceSet, StaticAddressAnswersFromTheNewAddressAndMovesTheDevice) {
  DeviceConfig c = BaseConfig();
  c.dhcp = true;
  SimDevice d(c);
  const Bytes oldId = IdOf(d);
  const Bytes r = OnlyReply(d, Set(oldId, 1, "10.201.7.7", "255.255.255.0", "10.201.7.1"));
  ASSERT_GE(r.size(), 21u);
  EXPECT_EQ(r[0], 6);
  EXPECT_TRUE(std::equal(kClient.begin(), kClient.end(), r.begin() + 1));
  EXPECT_EQ(Address(r), "10.201.7.7");
  EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 17), Bytes(oldId.begin(), oldId.begin() + 6));
  EXPECT_EQ(d.address(), "10.201.7.7");

  // The old id no longer reaches it; the new one does, and discovery reports
  // the new settings with DHCP off.
  EXPECT_TRUE(d.HandleRequest(Query(oldId, 19)).empty());
  const Bytes disc = OnlyReply(d, Discover());
  EXPECT_EQ(Address(disc), "10.201.7.7");
  EXPECT_EQ(disc[21], '0');
  EXPECT_EQ(Text(disc, 24, 37), "255.255.255.0");
  EXPECT_EQ(Text(disc, 40, 50), "10.201.7.1");
  EXPECT_EQ(QueryValue(d, 19), "0");
}

TEST(SimDeviceSet, StaticAddressThatIsNotAnAddressIsRefusedSilently) {
  SimDevice d(BaseConfig());
  for (const char* bad : {"", "10.201.1", "10.201.1.300", "10.201.1.1x", "a.b.c.d"}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(d.HandleRequest(Set(IdOf(d), 1, bad, "255.0.0.0", "")).empty());
    EXPECT_EQ(d.address(), "10.201.1.10");
  }
}

TEST(SimDeviceSet, DhcpTakesTheLeaseOrADerivedAddressAndKeepsTheMask) {
  struct Case {
    std::string address, lease, expected;
  };
  for (const Case& k : {Case{"10.201.1.10", "10.201.9.9", "10.201.9.9"},
                        Case{"10.201.1.10", "", "10.201.1.111"},
                        Case{"10.201.1.200", "", "10.201.1.47"}}) {
    SCOPED_TRACE(k.address + " lease " + k.lease);
    DeviceConfig c = BaseConfig();
    c.address = k.address;
    c.dhcpAddress = k.lease;
    SimDevice d(c);
    const Bytes r = OnlyReply(d, Set(IdOf(d), 2, ""));
    ASSERT_GE(r.size(), 21u);
    EXPECT_EQ(Address(r), k.expected);
    const Bytes disc = OnlyReply(d, Discover());
    EXPECT_EQ(disc[21], '1');
    EXPECT_EQ(Text(disc, 24, 35), "255.255.0.0");
  }
}

TEST(SimDeviceSet, StoringItemsAnswerFromTheSameAddressAndKeepTheText) {
  SimDevice d(BaseConfig());
  const std::vector<std::pair<uint8_t, std::string>> sets = {
      {7, "TEAM"}, {8, "936"}, {10, "rw"}, {13, "stop"}, {14, "BT"}, {5, ""}};
  for (const auto& [item, payload] : sets) {
    SCOPED_TRACE("item " + std::to_string(item));
    const Bytes r = OnlyReply(d, Set(IdOf(d), item, payload, "255.255.0.0", ""));
    ASSERT_GE(r.size(), 21u);
    EXPECT_EQ(r[0], 6);
    EXPECT_EQ(Address(r), "10.201.1.10");
  }
  EXPECT_EQ(QueryValue(d, 6), "TEAM");
  EXPECT_EQ(QueryValue(d, 9), "936");
  EXPECT_EQ(d.config().accessMode, "rw");
  EXPECT_EQ(d.config().control, "stop");
  EXPECT_EQ(d.config().addon, "BT");
  EXPECT_EQ(d.address(), "10.201.1.10");
}

// --- What gets no answer -------------------------------------------------------------

TEST(SimDeviceSilence, UnansweredDatagramsAreStillLogged) {
  SimDevice d(BaseConfig());
  Bytes otherId = IdOf(d);
  otherId[9] ^= 1;
  Bytes otherPrefix = IdOf(d);
  otherPrefix[0] ^= 1;
  Bytes setCut = Set(IdOf(d), 7, "TEAM");
  setCut.resize(62);  // length field says 4
  Bytes discoverCut = Discover();
  discoverCut.resize(10);
  Bytes setHeaderCut = Set(IdOf(d), 7, "");
  setHeaderCut.resize(59);
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"empty", {}},
      {"discovery cut short", discoverCut},
      {"query of another device", Query(otherId, 19)},
      {"query with another id prefix", Query(otherPrefix, 19)},
      {"query shorter than its header", Bytes(27, 3)},
      {"set shorter than its header", setHeaderCut},
      {"set payload cut short", setCut},
      {"unknown query item", Query(IdOf(d), 99)},
      {"unknown set item", Set(IdOf(d), 99, "x")},
      {"a basic discovery reply", Targeted(2, IdOf(d), 0, 70)},
      {"a query reply", Targeted(4, IdOf(d), 19, 29)},
      {"a set reply", Targeted(6, IdOf(d), 1, 28)},
      {"a typed discovery reply", Targeted(7, IdOf(d), 0, 80)},
      {"a model discovery reply", Targeted(8, IdOf(d), 0, 110)},
  };
  std::size_t logged = 0;
  for (const auto& [label, request] : cases) {
    SCOPED_TRACE(label);
    EXPECT_TRUE(d.HandleRequest(request).empty());
    ++logged;
    ASSERT_EQ(d.requestLog().size(), logged);
    EXPECT_EQ(d.requestLog().back(), request);
  }
  EXPECT_EQ(d.address(), "10.201.1.10");
  EXPECT_EQ(d.config().workgroup, "WORKGROUP");
}

TEST(SimDeviceSilence, SilentDeviceAndIgnoredItems) {
  DeviceConfig c = BaseConfig();
  c.ignoreItems = {19, 13};
  SimDevice d(c);
  EXPECT_TRUE(d.HandleRequest(Query(IdOf(d), 19)).empty());
  EXPECT_TRUE(d.HandleRequest(Set(IdOf(d), 13, "stop")).empty());
  EXPECT_EQ(d.HandleRequest(Query(IdOf(d), 12)).size(), 1u);

  c.silent = true;
  SimDevice mute(c);
  EXPECT_TRUE(mute.HandleRequest(Discover()).empty());
  EXPECT_TRUE(mute.HandleRequest(Set(IdOf(mute), 1, "10.1.1.1")).empty());
  EXPECT_EQ(mute.address(), "10.201.1.10");
  EXPECT_EQ(mute.requestLog().size(), 2u);
}

// --- Behaviour: delays, duplicates, junk -----------------------------------------------

TEST(SimDeviceBehaviour, DelaysStayInRangeVaryAndRepeatForTheSameSeed) {
  DeviceConfig c = BaseConfig();
  c.delayMinMs = 20;
  c.delayMaxMs = 60;
  SimDevice a(c, 7), b(c, 7);
  std::set<long> seen;
  for (int i = 0; i < 50; ++i) {
    const auto ra = a.HandleRequest(Discover());
    const auto rb = b.HandleRequest(Discover());
    ASSERT_EQ(ra.size(), 1u);
    ASSERT_EQ(rb.size(), 1u);
    EXPECT_GE(ra[0].delay.count(), 20);
    EXPECT_LE(ra[0].delay.count(), 60);
    EXPECT_EQ(ra[0].delay, rb[0].delay);
    seen.insert(ra[0].delay.count());
  }
  EXPECT_GT(seen.size(), 10u);
}

TEST(SimDeviceBehaviour, DuplicatesAreIdenticalCopies) {
  DeviceConfig c = BaseConfig();
  c.duplicates = 3;
  SimDevice d(c);
  const auto out = d.HandleRequest(Query(IdOf(d), 12));
  ASSERT_EQ(out.size(), 3u);
  for (const auto& o : out) EXPECT_EQ(o.bytes, out[0].bytes);
}

TEST(SimDeviceBehaviour, JunkFloodPrecedesTheAnswerAtItsInterval) {
  DeviceConfig c = BaseConfig();
  c.junkFlood = 4;
  c.junkIntervalMs = 5;
  c.delayMinMs = c.delayMaxMs = 10;
  SimDevice d(c);
  const auto out = d.HandleRequest(Query(IdOf(d), 19));
  ASSERT_EQ(out.size(), 5u);
  const Bytes answer = out.back().bytes;
  EXPECT_EQ(answer[0], 4);
  EXPECT_TRUE(std::equal(kClient.begin(), kClient.end(), answer.begin() + 1));
  EXPECT_EQ(out.back().delay.count(), 30);
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(out[k].delay.count(), 10 + 5 * static_cast<long>(k));
    const Bytes& junk = out[k].bytes;
    if (k % 2 == 0) {
      EXPECT_EQ(junk[0], 9);  // a type nobody uses
    } else {
      EXPECT_EQ(junk[0], 4);  // the answer, but for another tool
      EXPECT_FALSE(std::equal(kClient.begin(), kClient.begin() + 6, junk.begin() + 1));
    }
  }
}

// --- Configuration files ---------------------------------------------------------------

TEST(SimConfigParse, ReadsEveryKey) {
  std::istringstream in(R"(# two devices
[device]
name = First NAS
address = 10.201.1.5
netmask = 255.255.255.0
gateway =
dhcp = yes
model = KX-320
reply_type = 7
category = 3
subcategory = 1
id_prefix = 0a0B0c0d0e0f
dhcp_address = 10.201.1.99
shares = A:B
admin_password = p#w
ssl = 1
sharename = HDD_a
domain = example
codepage = 865
workgroup = WG
ideok = 2, 1
bt_firmware = 0,1
login_verdict = 255
delay_ms = 10-20
silent = 0
duplicates = 2
junk_flood = 3
junk_interval_ms = 4
ignore_items = 13,19

[device]
address = 10.201.1.6
delay_ms = 50
)");
  std::vector<DeviceConfig> out;
  std::string error;
  ASSERT_TRUE(ParseDeviceConfigs(in, out, error)) << error;
  ASSERT_EQ(out.size(), 2u);
  const DeviceConfig& a = out[0];
  EXPECT_EQ(a.name, "First NAS");
  EXPECT_EQ(a.address, "10.201.1.5");
  EXPECT_EQ(a.netmask, "255.255.255.0");
  EXPECT_EQ(a.gateway, "");
  EXPECT_TRUE(a.dhcp);
  EXPECT_EQ(a.model, "KX-320");
  EXPECT_EQ(a.replyType, 7);
  EXPECT_EQ(a.subcategory, 1);
  EXPECT_EQ(a.idPrefix, (std::array<uint8_t, 6>{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}));
  EXPECT_EQ(a.dhcpAddress, "10.201.1.99");
  EXPECT_EQ(a.shares, "A:B");
  EXPECT_EQ(a.adminPassword, "p#w");
  EXPECT_EQ(a.codepage, "865");
  EXPECT_EQ(a.ideok, (std::vector<std::string>{"2", "1"}));
  EXPECT_EQ(a.btFirmware, (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(a.loginVerdict, 255);
  EXPECT_EQ(a.delayMinMs, 10);
  EXPECT_EQ(a.delayMaxMs, 20);
  EXPECT_EQ(a.duplicates, 2);
  EXPECT_EQ(a.junkFlood, 3);
  EXPECT_EQ(a.junkIntervalMs, 4);
  EXPECT_EQ(a.ignoreItems, (std::vector<int>{13, 19}));
  EXPECT_EQ(out[1].address, "10.201.1.6");
  EXPECT_EQ(out[1].delayMinMs, 50);
  EXPECT_EQ(out[1].delayMaxMs, 50);
  EXPECT_EQ(out[1].replyType, 8);  // untouched keys keep their defaults
}

TEST(SimConfigParse, ErrorsNameTheLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"name = x\n", "line 1:"},
      {"[device]\n\n# c\nbogus = 1\n", "line 4:"},
      {"[device]\naddress = 10.1.1\n", "line 2:"},
      {"[device]\naddress = 10.1.1.1\n[devices]\n", "line 3:"},
      {"[device]\nreply_type = 3\n", "line 2:"},
      {"[device]\nid_prefix = 0011223344\n", "line 2:"},
      {"[device]\nid_prefix = 00112233445g\n", "line 2:"},
      {"[device]\ndelay_ms = 100-50\n", "line 2:"},
      {"[device]\ndelay_ms = -5\n", "line 2:"},
      {"[device]\ndhcp = maybe\n", "line 2:"},
      {"[device]\nnetmask = 255.255.255.255.255\n", "line 2:"},
      {"[device]\nmodel = " + std::string(33, 'm') + "\n", "line 2:"},
      {"[device]\nignore_items = 3,x\n", "line 2:"},
      {"[device]\nduplicates = 0\n", "line 2:"},
      {"[device]\njust some text\n", "line 2:"},
      {"[device]\naddress = 10.1.1.1\n[device]\naddress = 10.1.1.1\n", "line 4:"},
  };
  for (const auto& [text, where] : cases) {
    SCOPED_TRACE(text);
    std::istringstream in(text);
    std::vector<DeviceConfig> out{DeviceConfig{}};
    std::string error;
    EXPECT_FALSE(ParseDeviceConfigs(in, out, error));
    EXPECT_EQ(error.rfind(where, 0), 0u) << error;
    EXPECT_EQ(out.size(), 1u);  // left as it was
  }
}

TEST(SimConfigGenerate, AddressesFollowTheSegmentPlanAndIdsAreUnique) {
  const auto devices = GenerateDevices(1000, "10.201", 100);
  ASSERT_EQ(devices.size(), 1000u);
  EXPECT_EQ(devices[0].address, "10.201.1.1");
  EXPECT_EQ(devices[249].address, "10.201.1.250");
  EXPECT_EQ(devices[250].address, "10.201.2.1");
  EXPECT_EQ(devices[999].address, "10.201.4.250");
  std::set<std::string> addresses;
  std::set<std::array<uint8_t, 10>> ids;
  std::set<int> types;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    addresses.insert(devices[i].address);
    ids.insert(SimDevice(devices[i]).deviceId());
    types.insert(devices[i].replyType);
    EXPECT_EQ(devices[i].delayMinMs, 0);
    EXPECT_EQ(devices[i].delayMaxMs, 100);
  }
  EXPECT_EQ(addresses.size(), 1000u);
  EXPECT_EQ(ids.size(), 1000u);
  EXPECT_EQ(types, (std::set<int>{2, 7, 8}));
}

}  // namespace
}  // namespace kfw::sim
