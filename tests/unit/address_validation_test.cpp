#include "core/address_validation.h"

#include <gtest/gtest.h>

#include <vector>

namespace kfw::core {
namespace {

using enum FieldKind;
using enum MessageIcon;

FieldOctets Field(int a, int b, int c, int d) { return FieldOctets{{a, b, c, d}, false}; }
const FieldOctets kBlank{};
const FieldOctets kAddr = Field(192, 168, 1, 10);
const FieldOctets kMask24 = Field(255, 255, 255, 0);
const FieldOctets kGappy = Field(255, 0, 255, 0);
const std::string kIp = "Invalid IP address in ";
const std::string kMask = "Invalid subnet mask address in ";
const std::string kGate = "Invalid gateway IP address in ";
const char* const kBadConfig = "You enter incorrect TCP/IP configuration. Please try again.";
const char* const kBadMask = "Netmask address input invalid. Please try again.";

// A refusal as the user meets it: the message box and where the focus goes.
struct Refusal {
  std::string caption, text;
  MessageIcon icon;
  FieldKind field;
  int octet;
  bool operator==(const Refusal&) const = default;
};
void PrintTo(const Refusal& r, std::ostream* os) {
  *os << r.caption << ": " << r.text << " (icon " << static_cast<int>(r.icon) << ", field "
      << static_cast<int>(r.field) << ", octet " << r.octet << ")";
}

// Nothing for a pass; a pass that still moves the focus shows as a refusal.
std::optional<Refusal> RefusalOf(const CheckResult& r) {
  if (r.ok && !r.focus) return std::nullopt;
  return Refusal{r.message.caption, r.message.text, r.message.icon,
                 r.focus ? r.focus->field : FieldKind{}, r.focus ? r.focus->octet : -1};
}

TEST(ParseDottedAddressTest, ReadsEveryFormAndRefusesTheRest) {
  const struct { std::optional<uint32_t> value; std::vector<const char*> texts; } rows[] = {
      {0x0A000001, {"10.0.0.1", "0x0A.0.0.1", "0X0a.0.0.1", "012.0.0.1"}},
      {0x0A000001, {"167772161", "10.1", "10.0.1"}},
      {0x01020304, {"1.2.3.4  \t\n"}},
      {0x08010101, {"08.1.1.1"}},  // decimal digits count in an octal part, with base 8
      {0x11000000, {"019.0.0.0"}},
      {0xFFFFFFFF, {"255.255.255.255"}},
      {0, {"", "0", "0x"}},  // parts without digits are 0
      {0x01000002, {"1..2"}},
      {0x01020300, {"1.2.3."}},
      // The last part of a short form carries the remaining bytes.
      {0x01FFFFFF, {"1.16777215"}},
      {0x0102FFFF, {"1.2.65535"}},
      {1, {"4294967297"}},  // a lone value wraps in 32 bits
      {std::nullopt, {"1.2.3.4x", "1.2.3.4.5", "256.1.1.1", "1.2.3.256", "1.16777216"}},
      {std::nullopt, {"1.2.65536", " 1.2.3.4", "1.2.3.4 x", "0xg.1.1.1", "1a.1.1.1"}},
  };
  for (const auto& row : rows)
    for (const char* t : row.texts) EXPECT_EQ(ParseDottedAddress(t), row.value) << '"' << t << '"';
}

TEST(CheckAddressOctetsTest, FirstFailingOctetDecides) {
  const struct { FieldKind kind; FieldOctets field; std::string text; int octet; } rows[] = {
      {Address, Field(1, 0, 0, 0), "", 0},
      {Address, Field(223, 255, 255, 255), "", 0},
      {Address, Field(0, 1, 1, 1), kIp + "1st digit. It should be 1-223.", 0},
      {Address, Field(224, 1, 1, 1), kIp + "1st digit. It should be 1-223.", 0},
      {Address, Field(10, 256, 1, 1), kIp + "2nd digit. It should be 0-255.", 1},
      {Address, Field(10, 1, 300, 999), kIp + "3rd digit. It should be 0-255.", 2},
      {Address, Field(10, 1, 1, 256), kIp + "4th digit. It should be 0-255.", 3},
      {Netmask, Field(0, 0, 0, 0), "", 0},  // any first octet up to 255
      {Netmask, Field(255, 255, 255, 255), "", 0},
      {Netmask, Field(256, 0, 0, 0), kMask + "1st digit. It should be 0-255.", 0},
      {Netmask, Field(255, 255, 255, 256), kMask + "4th digit. It should be 0-255.", 3},
      {Gateway, kBlank, "", 0},  // a blank gateway is valid at once; a typed 0 in front is not
      {Gateway, Field(0, 0, 0, 1), kGate + "1st digit. It should be 1-223.", 0},
      {Gateway, Field(224, 0, 0, 1), kGate + "1st digit. It should be 1-223.", 0},
      {Gateway, Field(10, 0, 0, 256), kGate + "4th digit. It should be 0-255.", 3},
  };
  for (const auto& row : rows) {
    std::optional<Refusal> expected;
    if (!row.text.empty()) expected = Refusal{"Error", row.text, Information, row.kind, row.octet};
    EXPECT_EQ(RefusalOf(CheckAddressOctets(row.kind, row.field)), expected)
        << static_cast<int>(row.kind) << " " << DottedText(row.field.octets);
  }
}

TEST(IsContiguousNetmaskTest, AcceptsExactlyThePrefixesOneToThirtyTwo) {
  for (int length = 0; length <= 32; ++length) {
    const uint32_t mask = length == 0 ? 0u : ~0u << (32 - length);
    EXPECT_EQ(IsContiguousNetmask(OctetsOf(mask)), length >= 1) << "/" << length;
  }
  for (const Octets& m : {Octets{255, 0, 255, 0}, Octets{0, 255, 255, 255}, {255, 255, 255, 1},
                          {254, 255, 0, 0}, {255, 255, 253, 0}, {0, 0, 0, 1}})
    EXPECT_FALSE(IsContiguousNetmask(m)) << DottedText(m);
}

TEST(IsGatewayInconsistentTest, GatewayMustBeAHostOfTheSubnet) {
  const struct { Octets a, m, g; bool inconsistent; } rows[] = {
      {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 1}, false},
      {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 0}, true},    // the network
      {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 255}, true},  // the broadcast
      {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 2, 1}, true},    // outside
      {{192, 168, 1, 10}, {255, 255, 255, 0}, {0, 0, 0, 0}, true},        // none
      {{10, 1, 2, 3}, {255, 0, 0, 0}, {10, 200, 0, 1}, false},
      {{10, 1, 2, 3}, {255, 0, 0, 0}, {10, 255, 255, 255}, true},
      {{169, 254, 3, 4}, {255, 255, 0, 0}, {0, 0, 0, 0}, false},  // link-local takes any gateway
      {{169, 254, 3, 4}, {255, 255, 0, 0}, {8, 8, 8, 8}, false},
      {{169, 253, 3, 4}, {255, 255, 0, 0}, {0, 0, 0, 0}, true},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(IsGatewayInconsistent(r.a, r.m, r.g), r.inconsistent)
        << DottedText(r.a) << "/" << DottedText(r.m) << " via " << DottedText(r.g);
  }
}

// The texts written for the management client: address|netmask|gateway, "-" for unset.
std::string TextsOf(const StaticSettingsTexts& t) {
  return t.newAddress.value_or("-") + "|" + t.newNetmask.value_or("-") + "|" +
         t.newGateway.value_or("-");
}

TEST(ValidateStaticSettingsTest, RefusesAtTheRightStepAndKeepsTheTextsWrittenBefore) {
  auto warn = [](auto t, FieldKind f) { return Refusal{"Warning", t, Exclamation, f, 0}; };
  auto octet = [](auto t, FieldKind f, int i) { return Refusal{"Error", t, Information, f, i}; };
  auto stop = [](auto t, FieldKind f) { return Refusal{"Error", t, Stop, f, 0}; };
  const FieldOctets linkLocal = Field(169, 254, 3, 4), mask16 = Field(255, 255, 0, 0);
  const FieldOctets gateway = Field(192, 168, 1, 1), zeroGateway = Field(0, 9, 9, 9);
  const std::string a = "192.168.1.10|";
  const struct { FieldOctets a, m, g; std::optional<Refusal> shown; std::string texts; } rows[] = {
      {kBlank, kMask24, kBlank, warn("Please input IP address!", Address), "-|-|-"},
      {kAddr, kBlank, kBlank, warn("Please input net mask address!", Netmask), "-|-|-"},
      {Field(127, 0, 0, 1), kMask24, kBlank,
       warn("IP address input error. Please try again.", Address), "-|-|-"},
      {Field(0, 1, 2, 3), kMask24, kBlank,
       octet(kIp + "1st digit. It should be 1-223.", Address, 0), "-|-|-"},
      {Field(192, 168, 1, 255), kMask24, gateway, warn(kBadConfig, Address), "192.168.1.255|-|-"},
      // With a /32 every address is its own subnet's broadcast address.
      {kAddr, Field(255, 255, 255, 255), gateway, warn(kBadConfig, Address), "192.168.1.10|-|-"},
      {kAddr, Field(255, 255, 256, 0), kBlank,
       octet(kMask + "3rd digit. It should be 0-255.", Netmask, 2), a + "-|-"},
      {kAddr, kGappy, zeroGateway,
       octet(kGate + "1st digit. It should be 1-223.", Gateway, 0), a + "255.0.255.0|-"},
      {kAddr, kGappy, gateway, stop(kBadMask, Netmask), a + "255.0.255.0|-"},
      {kAddr, kMask24, kBlank, stop(kBadConfig, Gateway), a + "255.255.255.0|-"},
      {kAddr, kMask24, gateway, std::nullopt, a + "255.255.255.0|192.168.1.1"},
      // Link-local: the gateway is neither checked nor required.
      {linkLocal, mask16, kBlank, std::nullopt, "169.254.3.4|255.255.0.0|"},
      {linkLocal, mask16, zeroGateway, std::nullopt, "169.254.3.4|255.255.0.0|0.9.9.9"},
  };
  for (const auto& row : rows) {
    const ValidationResult result = ValidateStaticSettings(row.a, row.m, row.g);
    EXPECT_EQ(RefusalOf(result.check), row.shown) << row.texts;
    EXPECT_EQ(TextsOf(result.texts), row.texts);
  }
}

}  // namespace
}  // namespace kfw::core
