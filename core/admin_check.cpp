#include "core/admin_check.h"

namespace kfw::core {

bool RunAdministratorCheck(protocol::ManagementClient& client,
                           const std::function<void()>& showLoginDialog, UserMessage* failure) {
  client.adminUser = "admin";
  client.adminPassword = "";
  // The device's verdict: any non-zero answer accepts.
  if (client.LoginAdministrator() != 0) return true;

  if (showLoginDialog) showLoginDialog();
  if (client.LoginAdministrator() != 0) return true;

  if (failure != nullptr) {
    *failure = UserMessage{"Error", "Wrong administrator password input!", MessageIcon::Stop};
  }
  return false;
}

}  // namespace kfw::core
