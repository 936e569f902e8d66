#pragma once
// Proving the device's administrator password before a command changes the
// device (Apply, BitTorrent): first "admin" with an empty password, then
// whatever the Login dialog collects, once.

#include "core/interaction.h"
#include "protocol/management_client.h"

namespace kfw::core {

// Runs the check against the device at `client.selectedAddress`. The Login
// dialog's OK stores its texts in `client.adminUser` and
// `client.adminPassword` for the second login; Cancel leaves them. The
// password is wiped once the device has answered. Returns true when the device
// accepted; otherwise shows "Wrong administrator password input!" and
// returns false.
bool RunAdministratorCheck(protocol::ManagementClient& client, Interaction& user);

}  // namespace kfw::core
