#include "core/admin_check.h"

namespace kfw::core {

bool RunAdministratorCheck(protocol::ManagementClient& client, Interaction& user,
                           const protocol::DeviceRecord& device) {
  Credentials login{"admin", ""};
  // The device's verdict: any non-zero answer accepts.
  int verdict = 0;
  user.RunBlocking([&] { verdict = client.LoginAdministrator(device, login.user, login.password); });
  if (verdict != 0) return true;

  if (auto typed = user.AskLogin({LoginMode::Administrator, "admin"})) {
    login = std::move(*typed);
  } else if (user.Abandoned()) {
    return false;
  }
  // Nothing after the check sends the password again: each check asks anew.
  user.RunBlocking([&] { verdict = client.LoginAdministrator(device, login.user, login.password); });
  if (verdict != 0) return true;

  user.Message({"Error", "Wrong administrator password input!", MessageIcon::Stop});
  return false;
}

}  // namespace kfw::core
