#pragma once
// The Apply command: the selected device's LAN settings changed to a static
// address or to its DHCP client, once the device has accepted its
// administrator password.

#include <optional>
#include <string>
#include <string_view>

#include "core/address_validation.h"
#include "core/command_result.h"
#include "core/interaction.h"
#include "protocol/management_client.h"

namespace kfw::core {

// What the LAN panel holds when Apply is pressed.
struct LanSettingsInput {
  int deviceSelected = 0;
  // The Receive DHCP choice: -1 none yet, 0 "Disable", 1 "Enable".
  int receiveDhcp = -1;
  FieldOctets address;
  FieldOctets netmask;
  FieldOctets gateway;
};

enum class ApplyOutcome {
  NothingDone,   // refused, failed or nothing to do; the panel stays as it is
  DhcpEnabled,   // the device took its DHCP client: rediscover, deviceSelected 0
  AddressSent,   // the static settings were sent: rediscover
};

// Why nothing was done, for a front end that reports it: BadInput when the
// settings were refused before anything was sent, Refused when the device
// did not accept its administrator password, NotFound when it did not
// confirm the change. The window only looks at the outcome.
struct ApplyResult : CommandResult<ApplyOutcome> {
  // Where the focus goes when validation refused a field.
  std::optional<FieldFocus> focus;
  // Where the device answers after the command: a confirmed change moved it.
  std::string deviceAddress;
};

// Runs the command against the device at `deviceAddress`, showing every
// message through `user`. The caller empties the address fields and
// rebuilds the device list on the two outcomes that say so.
ApplyResult ApplyLanSettings(protocol::ManagementClient& client, Interaction& user,
                             std::string_view deviceAddress, const LanSettingsInput& input);

}  // namespace kfw::core
