// The subnet rule the window and findway share: which devices are offered
// Connect, Disconnect, Configuration, Language and Widget.

#include "core/subnet_rule.h"

#include <gtest/gtest.h>

namespace kfw::core {
namespace {

TEST(SubnetRuleTest, TheDevicesOwnNetmaskDecides) {
  const struct { const char *address, *netmask, *local; bool in; } rows[] = {
      {"192.168.1.100", "255.255.255.0", "192.168.1.5", true},    // the interface's own subnet
      {"192.168.2.100", "255.255.255.0", "192.168.1.5", false},   // a subnet beside it
      {"192.168.2.100", "255.255.0.0", "192.168.1.5", true},      // the device's wider mask
      {"192.168.1.100", "255.255.255.255", "192.168.1.5", false},  // a /32 holds the device alone
      {"192.168.1.5", "255.255.255.255", "192.168.1.5", true},
      {"10.0.0.9", "", "192.168.1.5", true},                 // no mask: nothing to tell them apart
      {"10.0.0.9", "255.255.255.0", "", false},              // no interface: 0.0.0.0
      {"0.0.0.9", "255.255.255.0", "", true},
      {"192.168.1.100", "255.255.x.0", "192.168.1.5", true},  // a part that is no number is 0
      {"192.168.2.100", "255.255.256.0", "192.168.1.5", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(InInterfaceSubnet(row.address, row.netmask, row.local), row.in)
        << row.address << " " << row.netmask << " " << row.local;
  }
}

TEST(SubnetRuleTest, PanelOctetsAreWhatTheAddressFieldShows) {
  EXPECT_EQ(PanelOctets(" 10.0.0.254 ").octets, (Octets{10, 0, 0, 254}));
  EXPECT_EQ(PanelOctets("010.1.300.4.5").octets, (Octets{10, 1, 0, 4}));
  EXPECT_FALSE(PanelOctets("0.0.0.0").blank);
  EXPECT_TRUE(PanelOctets("a.b..").blank);
}

}  // namespace
}  // namespace kfw::core
