#include "app/address_validation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kfw::app {
namespace {

// --- ParseDottedAddress ---------------------------------------------------

struct ParseCase {
  const char* text;
  std::optional<uint32_t> expected;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseDottedAddressTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseDottedAddressTest, ParsesOrRefuses) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ParseDottedAddress(c.text), c.expected) << "text: \"" << c.text << "\"";
}

constexpr uint32_t k10_0_0_1 = 0x0A000001;

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseDottedAddressTest,
    ::testing::Values(
        ParseCase{"10.0.0.1", k10_0_0_1}, ParseCase{"0x0A.0.0.1", k10_0_0_1},
        ParseCase{"0X0a.0.0.1", k10_0_0_1}, ParseCase{"012.0.0.1", k10_0_0_1},
        ParseCase{"167772161", k10_0_0_1}, ParseCase{"10.1", k10_0_0_1},
        ParseCase{"10.0.1", k10_0_0_1}, ParseCase{"1.2.3.4  \t\n", 0x01020304u},
        // Decimal digits count in an octal part, with base 8.
        ParseCase{"08.1.1.1", 0x08010101u}, ParseCase{"019.0.0.0", 0x11000000u},
        ParseCase{"255.255.255.255", 0xFFFFFFFFu},
        // Parts without digits are 0.
        ParseCase{"", 0u}, ParseCase{"0", 0u}, ParseCase{"0x", 0u}, ParseCase{"1..2", 0x01000002u},
        ParseCase{"1.2.3.", 0x01020300u},
        // The last part of a short form carries the remaining bytes.
        ParseCase{"1.16777215", 0x01FFFFFFu}, ParseCase{"1.2.65535", 0x0102FFFFu},
        // A lone value wraps in 32 bits.
        ParseCase{"4294967297", 1u}),
    [](const auto& info) { return "Accept" + std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    Refusals, ParseDottedAddressTest,
    ::testing::Values(ParseCase{"1.2.3.4x", std::nullopt}, ParseCase{"1.2.3.4.5", std::nullopt},
                      ParseCase{"256.1.1.1", std::nullopt}, ParseCase{"1.2.3.256", std::nullopt},
                      ParseCase{"1.16777216", std::nullopt}, ParseCase{"1.2.65536", std::nullopt},
                      ParseCase{" 1.2.3.4", std::nullopt}, ParseCase{"1.2.3.4 x", std::nullopt},
                      ParseCase{"0xg.1.1.1", std::nullopt}, ParseCase{"1a.1.1.1", std::nullopt},
                      ParseCase{"0x100.1.1.1", std::nullopt}),
    [](const auto& info) { return "Refuse" + std::to_string(info.index); });

TEST(OctetsTest, SplitsAndPrintsFirstOctetFirst) {
  EXPECT_EQ(OctetsOf(0xC0A8010Au), (Octets{192, 168, 1, 10}));
  EXPECT_EQ(DottedText({192, 168, 1, 10}), "192.168.1.10");
}

// --- CheckAddressOctets ----------------------------------------------------

FieldOctets Field(int a, int b, int c, int d) { return FieldOctets{{a, b, c, d}, false}; }
const FieldOctets kBlank{};

struct OctetCase {
  FieldKind kind;
  FieldOctets field;
  const char* message;  // nullptr: valid
  int octet;
};
void PrintTo(const OctetCase& c, std::ostream* os) {
  *os << "kind " << static_cast<int>(c.kind) << (c.field.blank ? " blank" : " ") << DottedText(c.field.octets);
}

class CheckAddressOctetsTest : public ::testing::TestWithParam<OctetCase> {};

TEST_P(CheckAddressOctetsTest, FirstFailingOctetDecides) {
  const OctetCase& c = GetParam();
  const CheckResult result = CheckAddressOctets(c.kind, c.field);
  if (c.message == nullptr) {
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.focus.has_value());
    return;
  }
  ASSERT_FALSE(result.ok);
  EXPECT_EQ(result.message.caption, "Error");
  EXPECT_EQ(result.message.text, c.message);
  EXPECT_EQ(result.message.icon, MessageIcon::Information);
  ASSERT_TRUE(result.focus.has_value());
  EXPECT_EQ(result.focus->field, c.kind);
  EXPECT_EQ(result.focus->octet, c.octet);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckAddressOctetsTest,
    ::testing::Values(
        OctetCase{FieldKind::Address, Field(1, 0, 0, 0), nullptr, 0},
        OctetCase{FieldKind::Address, Field(223, 255, 255, 255), nullptr, 0},
        OctetCase{FieldKind::Address, Field(0, 1, 1, 1),
                  "Invalid IP address in 1st digit. It should be 1-223.", 0},
        OctetCase{FieldKind::Address, Field(224, 1, 1, 1),
                  "Invalid IP address in 1st digit. It should be 1-223.", 0},
        OctetCase{FieldKind::Address, Field(10, 256, 1, 1),
                  "Invalid IP address in 2nd digit. It should be 0-255.", 1},
        OctetCase{FieldKind::Address, Field(10, 1, 300, 999),
                  "Invalid IP address in 3rd digit. It should be 0-255.", 2},
        OctetCase{FieldKind::Address, Field(10, 1, 1, 256),
                  "Invalid IP address in 4th digit. It should be 0-255.", 3},
        // The netmask allows any first octet up to 255.
        OctetCase{FieldKind::Netmask, Field(0, 0, 0, 0), nullptr, 0},
        OctetCase{FieldKind::Netmask, Field(255, 255, 255, 255), nullptr, 0},
        OctetCase{FieldKind::Netmask, Field(256, 0, 0, 0),
                  "Invalid subnet mask address in 1st digit. It should be 0-255.", 0},
        OctetCase{FieldKind::Netmask, Field(255, 256, 0, 0),
                  "Invalid subnet mask address in 2nd digit. It should be 0-255.", 1},
        OctetCase{FieldKind::Netmask, Field(255, 255, 256, 0),
                  "Invalid subnet mask address in 3rd digit. It should be 0-255.", 2},
        OctetCase{FieldKind::Netmask, Field(255, 255, 255, 256),
                  "Invalid subnet mask address in 4th digit. It should be 0-255.", 3},
        // A blank gateway is valid at once; a typed 0 in front is not.
        OctetCase{FieldKind::Gateway, kBlank, nullptr, 0},
        OctetCase{FieldKind::Gateway, Field(0, 0, 0, 1),
                  "Invalid gateway IP address in 1st digit. It should be 1-223.", 0},
        OctetCase{FieldKind::Gateway, Field(240, 0, 0, 1),
                  "Invalid gateway IP address in 1st digit. It should be 1-223.", 0},
        OctetCase{FieldKind::Gateway, Field(10, 256, 0, 1),
                  "Invalid gateway IP address in 2nd digit. It should be 0-255.", 1},
        OctetCase{FieldKind::Gateway, Field(10, 0, 256, 1),
                  "Invalid gateway IP address in 3rd digit. It should be 0-255.", 2},
        OctetCase{FieldKind::Gateway, Field(10, 0, 0, 256),
                  "Invalid gateway IP address in 4th digit. It should be 0-255.", 3}));

// --- The three address predicates ------------------------------------------

TEST(IsContiguousNetmaskTest, AcceptsExactlyThePrefixesOneToThirtyTwo) {
  int accepted = 0;
  for (int length = 0; length <= 32; ++length) {
    const uint32_t mask = length == 0 ? 0u : ~0u << (32 - length);
    const bool expected = length >= 1;
    EXPECT_EQ(IsContiguousNetmask(OctetsOf(mask)), expected) << "/" << length;
    accepted += expected;
  }
  EXPECT_EQ(accepted, 32);
  for (const Octets& m : {Octets{255, 0, 255, 0}, Octets{0, 255, 255, 255},
                          Octets{255, 255, 255, 1}, Octets{254, 255, 0, 0},
                          Octets{255, 255, 253, 0}, Octets{0, 0, 0, 1}}) {
    EXPECT_FALSE(IsContiguousNetmask(m)) << DottedText(m);
  }
}

TEST(IsSubnetBroadcastTest, AllHostBitsSet) {
  EXPECT_TRUE(IsSubnetBroadcast({192, 168, 1, 255}, {255, 255, 255, 0}));
  EXPECT_TRUE(IsSubnetBroadcast({10, 255, 255, 255}, {255, 0, 0, 0}));
  EXPECT_TRUE(IsSubnetBroadcast({192, 168, 1, 10}, {255, 255, 255, 255}));
  EXPECT_FALSE(IsSubnetBroadcast({192, 168, 1, 254}, {255, 255, 255, 0}));
  EXPECT_FALSE(IsSubnetBroadcast({10, 255, 255, 254}, {255, 0, 0, 0}));
}

struct GatewayCase {
  Octets a, m, g;
  bool inconsistent;
};
void PrintTo(const GatewayCase& c, std::ostream* os) {
  *os << DottedText(c.a) << "/" << DottedText(c.m) << " via " << DottedText(c.g);
}

class IsGatewayInconsistentTest : public ::testing::TestWithParam<GatewayCase> {};

TEST_P(IsGatewayInconsistentTest, Decides) {
  const GatewayCase& c = GetParam();
  EXPECT_EQ(IsGatewayInconsistent(c.a, c.m, c.g), c.inconsistent)
      << DottedText(c.a) << "/" << DottedText(c.m) << " via " << DottedText(c.g);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsGatewayInconsistentTest,
    ::testing::Values(
        GatewayCase{{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 1}, false},
        GatewayCase{{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 0}, true},    // network
        GatewayCase{{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 255}, true},  // broadcast
        GatewayCase{{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 2, 1}, true},    // outside
        GatewayCase{{192, 168, 1, 10}, {255, 255, 255, 0}, {0, 0, 0, 0}, true},        // blank
        GatewayCase{{10, 1, 2, 3}, {255, 0, 0, 0}, {10, 200, 0, 1}, false},
        GatewayCase{{10, 1, 2, 3}, {255, 0, 0, 0}, {10, 255, 255, 255}, true},
        // Link-local addresses take any gateway, even none.
        GatewayCase{{169, 254, 3, 4}, {255, 255, 0, 0}, {0, 0, 0, 0}, false},
        GatewayCase{{169, 254, 3, 4}, {255, 255, 0, 0}, {8, 8, 8, 8}, false},
        GatewayCase{{169, 253, 3, 4}, {255, 255, 0, 0}, {0, 0, 0, 0}, true}));

// --- ValidateStaticSettings -------------------------------------------------

struct StaticCase {
  const char* name;
  FieldOctets address, netmask, gateway;
  // Expected refusal (caption empty: accepted).
  const char* caption;
  const char* text;
  MessageIcon icon;
  std::optional<FieldFocus> focus;
  // Texts written before the end, accepted or not.
  std::optional<std::string> newAddress, newNetmask, newGateway;
};
void PrintTo(const StaticCase& c, std::ostream* os) { *os << c.name; }

class ValidateStaticSettingsTest : public ::testing::TestWithParam<StaticCase> {};

TEST_P(ValidateStaticSettingsTest, RefusesAtTheRightStep) {
  const StaticCase& c = GetParam();
  const ValidationResult result = ValidateStaticSettings(c.address, c.netmask, c.gateway);
  if (c.caption[0] == '\0') {
    EXPECT_TRUE(result.check.ok) << result.check.message.text;
  } else {
    ASSERT_FALSE(result.check.ok);
    EXPECT_EQ(result.check.message.caption, c.caption);
    EXPECT_EQ(result.check.message.text, c.text);
    EXPECT_EQ(result.check.message.icon, c.icon);
    ASSERT_TRUE(result.check.focus.has_value());
    ASSERT_TRUE(c.focus.has_value());
    EXPECT_EQ(result.check.focus->field, c.focus->field);
    EXPECT_EQ(result.check.focus->octet, c.focus->octet);
  }
  EXPECT_EQ(result.texts.newAddress, c.newAddress);
  EXPECT_EQ(result.texts.newNetmask, c.newNetmask);
  EXPECT_EQ(result.texts.newGateway, c.newGateway);
}

const FieldOctets kAddr = Field(192, 168, 1, 10);
const FieldOctets kMask24 = Field(255, 255, 255, 0);
const char* const kBadConfig = "You enter incorrect TCP/IP configuration. Please try again.";
constexpr auto kWarn = MessageIcon::Exclamation;
constexpr auto kInfo = MessageIcon::Information;
constexpr auto kStop = MessageIcon::Stop;
constexpr auto kNone = MessageIcon::None;
const FieldFocus kAddrFocus0{FieldKind::Address, 0};
const FieldFocus kMaskFocus0{FieldKind::Netmask, 0};
const FieldFocus kGateFocus0{FieldKind::Gateway, 0};
const std::optional<std::string> kUnset;

INSTANTIATE_TEST_SUITE_P(
    Steps, ValidateStaticSettingsTest,
    ::testing::Values(
        StaticCase{"Step1BlankAddress", kBlank, kMask24, kBlank, "Warning",
                   "Please input IP address!", kWarn, kAddrFocus0, kUnset, kUnset, kUnset},
        StaticCase{"Step2BlankNetmask", kAddr, kBlank, kBlank, "Warning",
                   "Please input net mask address!", kWarn, kMaskFocus0, kUnset, kUnset, kUnset},
        StaticCase{"Step3Loopback", Field(127, 0, 0, 1), kMask24, kBlank, "Warning",
                   "IP address input error. Please try again.", kWarn, kAddrFocus0, kUnset, kUnset,
                   kUnset},
        StaticCase{"Step4FirstOctetZero", Field(0, 1, 2, 3), kMask24, kBlank, "Error",
                   "Invalid IP address in 1st digit. It should be 1-223.", kInfo, kAddrFocus0,
                   kUnset, kUnset, kUnset},
        StaticCase{"Step4Multicast", Field(224, 1, 2, 3), kMask24, kBlank, "Error",
                   "Invalid IP address in 1st digit. It should be 1-223.", kInfo, kAddrFocus0,
                   kUnset, kUnset, kUnset},
        StaticCase{"Step6Broadcast", Field(192, 168, 1, 255), kMask24, Field(192, 168, 1, 1),
                   "Warning", kBadConfig, kWarn, kAddrFocus0, "192.168.1.255", kUnset, kUnset},
        // A /32 makes every address its own broadcast address.
        StaticCase{"Step6HostMask", kAddr, Field(255, 255, 255, 255), kBlank, "Warning",
                   kBadConfig, kWarn, kAddrFocus0, "192.168.1.10", kUnset, kUnset},
        StaticCase{"Step7NetmaskOctet", kAddr, Field(255, 255, 256, 0), kBlank, "Error",
                   "Invalid subnet mask address in 3rd digit. It should be 0-255.", kInfo,
                   FieldFocus{FieldKind::Netmask, 2}, "192.168.1.10", kUnset, kUnset},
        StaticCase{"Step9GatewayOctet", kAddr, kMask24, Field(0, 168, 1, 1), "Error",
                   "Invalid gateway IP address in 1st digit. It should be 1-223.", kInfo,
                   kGateFocus0, "192.168.1.10", "255.255.255.0", kUnset},
        StaticCase{"Step10Gappy", kAddr, Field(255, 0, 255, 0), Field(192, 168, 1, 1), "Error",
                   "Netmask address input invalid. Please try again.", kStop, kMaskFocus0,
                   "192.168.1.10", "255.0.255.0", kUnset},
        StaticCase{"Step10Zero", kAddr, Field(0, 0, 0, 0), Field(192, 168, 1, 1), "Error",
                   "Netmask address input invalid. Please try again.", kStop, kMaskFocus0,
                   "192.168.1.10", "0.0.0.0", kUnset},
        StaticCase{"Step11BlankGateway", kAddr, kMask24, kBlank, "Error", kBadConfig, kStop,
                   kGateFocus0, "192.168.1.10", "255.255.255.0", kUnset},
        StaticCase{"Step11NetworkGateway", kAddr, kMask24, Field(192, 168, 1, 0), "Error",
                   kBadConfig, kStop, kGateFocus0, "192.168.1.10", "255.255.255.0", kUnset},
        StaticCase{"Step11BroadcastGateway", kAddr, kMask24, Field(192, 168, 1, 255), "Error",
                   kBadConfig, kStop, kGateFocus0, "192.168.1.10", "255.255.255.0", kUnset},
        StaticCase{"Step11OtherSubnet", kAddr, kMask24, Field(192, 168, 2, 1), "Error",
                   kBadConfig, kStop, kGateFocus0, "192.168.1.10", "255.255.255.0", kUnset},
        StaticCase{"Accepted", kAddr, kMask24, Field(192, 168, 1, 1), "", "", kNone,
                   std::nullopt, "192.168.1.10", "255.255.255.0", "192.168.1.1"},
        // Link-local: the gateway is neither checked nor required.
        StaticCase{"LinkLocalBlankGateway", Field(169, 254, 3, 4), Field(255, 255, 0, 0), kBlank,
                   "", "", kNone, std::nullopt, "169.254.3.4", "255.255.0.0", ""},
        StaticCase{"LinkLocalAnyGateway", Field(169, 254, 3, 4), Field(255, 255, 0, 0),
                   Field(0, 9, 9, 9), "", "", kNone, std::nullopt, "169.254.3.4", "255.255.0.0",
                   "0.9.9.9"},
        // Blank octets of a typed field read as 0.
        StaticCase{"ClassAWithBlankOctets", Field(10, 0, 0, 5), Field(255, 0, 0, 0),
                   Field(10, 0, 0, 1), "", "", kNone, std::nullopt, "10.0.0.5", "255.0.0.0",
                   "10.0.0.1"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kfw::app
