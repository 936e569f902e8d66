#pragma once
// Proving the device's administrator password before a command changes the
// device (Apply, BitTorrent): first "admin" with an empty password, then
// whatever the Login dialog collects, once.

#include <functional>

#include "core/user_message.h"
#include "protocol/management_client.h"

namespace kfw::core {

// Runs the check against the device at `client.selectedAddress`.
// `showLoginDialog` shows the Login dialog in administrator mode (the caller
// sets that mode); on OK the dialog writes `client.adminUser` and
// `client.adminPassword`, on Cancel it leaves them. Returns true when the
// device accepted; otherwise fills `failure` (when given) with the message to
// show and returns false.
bool RunAdministratorCheck(protocol::ManagementClient& client,
                           const std::function<void()>& showLoginDialog, UserMessage* failure);

}  // namespace kfw::core
