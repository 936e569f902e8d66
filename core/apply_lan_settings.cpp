#include "core/apply_lan_settings.h"

#include "core/admin_check.h"

namespace kfw::core {
namespace {

const ApplyResult kPasswordRefused{ApplyOutcome::NothingDone, ApplyFailure::PasswordRefused, std::nullopt};

ApplyResult ApplyDhcp(protocol::ManagementClient& client, Interaction& user) {
  if (!RunAdministratorCheck(client, user)) return kPasswordRefused;
  int switched = 0;
  // The device confirms from the address its DHCP server gave it, which
  // can take close to two minutes.
  user.RunBlocking([&] { switched = client.SetDhcpClient(); });
  if (switched == 0) {
    user.Message({"Error", "Set to dhcp client fail.", MessageIcon::Stop});
    return {ApplyOutcome::NothingDone, ApplyFailure::DeviceFailed, std::nullopt};
  }
  user.Message({"Confirm", "DHCP client enabled.", MessageIcon::Information});
  return {ApplyOutcome::DhcpEnabled, ApplyFailure::None, std::nullopt};
}

ApplyResult ApplyStatic(protocol::ManagementClient& client, Interaction& user,
                        const LanSettingsInput& input) {
  const ValidationResult validation =
      ValidateStaticSettings(input.address, input.netmask, input.gateway);
  // What validation got through stays in the client even when a later step
  // refuses.
  if (validation.texts.newAddress) client.newAddress = *validation.texts.newAddress;
  if (validation.texts.newNetmask) client.newNetmask = *validation.texts.newNetmask;
  if (validation.texts.newGateway) client.newGateway = *validation.texts.newGateway;
  if (!validation.check.ok) {
    user.Message(validation.check.message);
    return {ApplyOutcome::NothingDone, ApplyFailure::Invalid, validation.check.focus};
  }

  if (!RunAdministratorCheck(client, user)) return kPasswordRefused;
  // No message either way: the rediscovered list shows whether the device
  // took its new address.
  user.RunBlocking([&] { client.SetStaticAddress(); });
  return {ApplyOutcome::AddressSent, ApplyFailure::None, std::nullopt};
}

}  // namespace

ApplyResult ApplyLanSettings(protocol::ManagementClient& client, Interaction& user,
                             const LanSettingsInput& input) {
  if (input.deviceSelected == 0) {
    user.Message({"Error", "Please select a device in the above section.", MessageIcon::Stop});
    return {};
  }
  if (input.receiveDhcp < 0) return {};
  return input.receiveDhcp == 1 ? ApplyDhcp(client, user) : ApplyStatic(client, user, input);
}

}  // namespace kfw::core
