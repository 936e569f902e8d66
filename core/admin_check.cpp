#include "core/admin_check.h"

#include <string>

namespace kfw::core {

CommandEnd RunAdministratorCheck(protocol::ManagementClient& client, Interaction& user,
                                 const protocol::DeviceRecord& device) {
  Credentials login{"admin", ""};
  // The device's verdict: any non-zero answer accepts.
  int verdict = 0;
  user.RunBlocking([&] { verdict = client.LoginAdministrator(device, login.user, login.password); });
  if (verdict != 0) return {};

  if (auto typed = user.AskLogin({LoginMode::Administrator, "admin"})) {
    login = std::move(*typed);
  } else if (user.Abandoned()) {
    return {Failure::BadInput, {}};
  }
  // Nothing after the check sends the password again: each check asks anew.
  user.RunBlocking([&] { verdict = client.LoginAdministrator(device, login.user, login.password); });
  if (verdict != 0) return {};

  const std::string detail = device.address.str() + " did not accept the password of " + login.user;
  user.Message({"Error", "Wrong administrator password input!", MessageIcon::Stop, detail});
  return {Failure::Refused, detail};
}

}  // namespace kfw::core
