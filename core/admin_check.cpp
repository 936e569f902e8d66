#include "core/admin_check.h"

#include "platform/secret.h"

namespace kfw::core {

bool RunAdministratorCheck(protocol::ManagementClient& client, Interaction& user) {
  client.adminUser = "admin";
  client.adminPassword = "";
  // The device's verdict: any non-zero answer accepts.
  int verdict = 0;
  user.RunBlocking([&] { verdict = client.LoginAdministrator(); });
  if (verdict != 0) return true;

  if (auto typed = user.AskLogin({LoginMode::Administrator, "admin"})) {
    client.adminUser = typed->user;
    client.adminPassword = typed->password;
    platform::WipeSecret(typed->password);
  } else if (user.Abandoned()) {
    return false;
  }
  user.RunBlocking([&] { verdict = client.LoginAdministrator(); });
  // Nothing after the check sends the password again: each check asks anew.
  client.adminPassword.Wipe();
  if (verdict != 0) return true;

  user.Message({"Error", "Wrong administrator password input!", MessageIcon::Stop});
  return false;
}

}  // namespace kfw::core
