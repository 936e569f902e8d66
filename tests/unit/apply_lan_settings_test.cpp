// The Apply command over scripted answers and simulated devices: no window.

#include "core/apply_lan_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using Strings = std::vector<std::string>;

// A field as typed: "" is blank.
FieldOctets Typed(const std::string& text) {
  FieldOctets field;
  uint8_t o[4];
  if (text.empty() || !protocol::AddressBytes(text, o)) return field;
  return FieldOctets{{o[0], o[1], o[2], o[3]}, false};
}

// Office 192.168.1.100 (no password, DHCP gives it .77), Guarded .90
// (password "secret") and Mute .95, which never confirms a DHCP switch.
struct Bed : fixtures::SimBed {
  Bed() {
    sim::DeviceConfig office;
    office.address = "192.168.1.100";
    office.dhcpAddress = "192.168.1.77";
    devices.push_back(&Add(office));
    sim::DeviceConfig guarded;
    guarded.address = "192.168.1.90";
    guarded.adminPassword = "secret";
    devices.push_back(&Add(guarded));
    sim::DeviceConfig mute;
    mute.address = "192.168.1.95";
    mute.ignoreItems = {protocol::SET_DHCP_CLIENT};
    devices.push_back(&Add(mute));
    Select("");
  }
  ApplyResult Apply(const std::string& device, int dhcp, const std::string& address,
                    const std::string& netmask = "255.255.255.0", const std::string& gateway = "") {
    net.ClearSent();
    return ApplyLanSettings(client, user, device, {1, dhcp, Typed(address), Typed(netmask), Typed(gateway)});
  }
  int Sets() const {
    int n = 0;
    for (const auto& sent : net.sent()) n += sent.bytes[0] == protocol::MSG_SET;
    return n;
  }

  ScriptedInteraction user;
  std::vector<sim::SimDevice*> devices;
};

TEST(ApplyLanSettingsTest, StaticAddressAfterTheAdministratorCheck) {
  // `typed`: the Login dialog's answer; unset: Cancel.
  const struct { const char* device; std::optional<Credentials> typed; bool moved; int questions; } rows[] = {
      {"192.168.1.100", std::nullopt, true, 0},  // the empty password passes
      {"192.168.1.90", Credentials{"admin", "wrong"}, false, 1},
      {"192.168.1.90", std::nullopt, false, 1},
      {"192.168.1.90", Credentials{"admin", "secret"}, true, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    Bed bed;
    bed.user.answers.push_back(row.typed);
    const ApplyResult result = bed.Apply(row.device, 0, "192.168.1.150", "255.255.0.0", "192.168.2.254");
    EXPECT_EQ(bed.user.questions.size(), static_cast<std::size_t>(row.questions));
    EXPECT_EQ(result.outcome, row.moved ? ApplyOutcome::AddressSent : ApplyOutcome::NothingDone);
    EXPECT_EQ(result.failure, row.moved ? Failure::None : Failure::Refused);
    EXPECT_EQ(bed.user.messages,
              row.moved ? Strings{} : Strings{"Error (stop): Wrong administrator password input!"});
    EXPECT_EQ(bed.Sets(), row.moved ? 1 : 0);
    const sim::SimDevice& device = *bed.devices[row.device == std::string("192.168.1.100") ? 0 : 1];
    EXPECT_EQ(device.address(), row.moved ? "192.168.1.150" : row.device);
    EXPECT_EQ(result.deviceAddress, row.moved ? "192.168.1.150" : row.device);
    EXPECT_EQ(device.config().netmask + " " + device.config().gateway,
              row.moved ? "255.255.0.0 192.168.2.254" : "255.255.255.0 192.168.1.1");
  }
}

// The message and the focus are the window tests'; here, what the client keeps.
TEST(ApplyLanSettingsTest, ARefusalKeepsWhatWasCheckedBeforeIt) {
  Bed bed;
  const ApplyResult result = bed.Apply("192.168.1.100", 0, "192.168.1.10", "255.255.255.0", "192.168.2.1");
  EXPECT_EQ(result.failure, Failure::BadInput);
  EXPECT_TRUE(bed.net.sent().empty());
  const protocol::LanSettings& entered = bed.client.enteredLanSettings();
  EXPECT_EQ(entered.newAddress.str() + "/" + entered.newNetmask.str(), "192.168.1.10/255.255.255.0");
}

TEST(ApplyLanSettingsTest, EnableSwitchesToDhcpWhateverTheFieldsHold) {
  Bed bed;
  // Before any choice in the combo, Apply does nothing.
  EXPECT_EQ(bed.Apply("192.168.1.100", -1, "192.168.1.150").outcome, ApplyOutcome::NothingDone);
  EXPECT_TRUE(bed.net.sent().empty());
  // An address the static path would refuse.
  const ApplyResult enabled = bed.Apply("192.168.1.100", 1, "127.0.0.1");
  EXPECT_EQ(enabled.outcome, ApplyOutcome::DhcpEnabled);
  EXPECT_EQ(bed.user.messages, Strings{"Confirm (information): DHCP client enabled."});
  EXPECT_EQ(bed.devices[0]->address(), "192.168.1.77");
  EXPECT_EQ(enabled.deviceAddress, "192.168.1.77");

  bed.user.messages.clear();
  EXPECT_EQ(bed.Apply("192.168.1.95", 1, "").failure, Failure::NotFound);
  EXPECT_EQ(bed.user.messages, Strings{"Error (stop): Set to dhcp client fail."});

  // A refused password sends no switch.
  bed.user.messages.clear();
  const ApplyResult refused = bed.Apply("192.168.1.90", 1, "");
  EXPECT_EQ(refused.outcome, ApplyOutcome::NothingDone);
  EXPECT_EQ(refused.failure, Failure::Refused);
  EXPECT_EQ(bed.user.messages, Strings{"Error (stop): Wrong administrator password input!"});
  EXPECT_EQ(bed.Sets(), 0);
}

}  // namespace
}  // namespace kfw::core
