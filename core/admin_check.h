#pragma once
// Proving the device's administrator password before a command changes the
// device (Apply, BitTorrent): first "admin" with an empty password, then
// whatever the Login dialog collects, once.

#include "core/command_result.h"
#include "core/interaction.h"
#include "protocol/management_client.h"

namespace kfw::core {

// Runs the check against `device`. The second login sends what the Login
// dialog's OK collected; after Cancel it sends "admin" and the empty
// password again. ok() when the device accepted; otherwise, unless the
// answer abandoned the command, "Wrong administrator password input!" is
// shown and the end is Refused.
CommandEnd RunAdministratorCheck(protocol::ManagementClient& client, Interaction& user,
                           const protocol::DeviceRecord& device);

}  // namespace kfw::core
