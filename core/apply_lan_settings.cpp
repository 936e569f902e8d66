#include "core/apply_lan_settings.h"

#include "core/admin_check.h"

namespace kfw::core {
namespace {

ApplyResult Result(ApplyOutcome outcome, ApplyFailure failure, const protocol::DeviceRecord& device,
                   std::optional<FieldFocus> focus = std::nullopt) {
  return {outcome, failure, focus, device.address.str()};
}

ApplyResult ApplyDhcp(protocol::ManagementClient& client, Interaction& user,
                      const protocol::DeviceRecord& device) {
  if (!RunAdministratorCheck(client, user, device)) {
    return Result(ApplyOutcome::NothingDone, ApplyFailure::PasswordRefused, device);
  }
  std::optional<std::string> switched;
  // The device confirms from the address its DHCP server gave it, which
  // can take close to two minutes.
  user.RunBlocking([&] { switched = client.SetDhcpClient(device); });
  if (!switched) {
    user.Message({"Error", "Set to dhcp client fail.", MessageIcon::Stop});
    return Result(ApplyOutcome::NothingDone, ApplyFailure::DeviceFailed, device);
  }
  user.Message({"Confirm", "DHCP client enabled.", MessageIcon::Information});
  return {ApplyOutcome::DhcpEnabled, ApplyFailure::None, std::nullopt, *switched};
}

ApplyResult ApplyStatic(protocol::ManagementClient& client, Interaction& user,
                        const protocol::DeviceRecord& device, const LanSettingsInput& input) {
  const ValidationResult validation =
      ValidateStaticSettings(input.address, input.netmask, input.gateway);
  // What validation got through is what the client's later set requests
  // carry, even when a later step refuses.
  protocol::LanSettings entered = client.enteredLanSettings();
  if (validation.texts.newAddress) entered.newAddress = *validation.texts.newAddress;
  if (validation.texts.newNetmask) entered.newNetmask = *validation.texts.newNetmask;
  if (validation.texts.newGateway) entered.newGateway = *validation.texts.newGateway;
  client.EnterLanSettings(entered);
  if (!validation.check.ok) {
    user.Message(validation.check.message);
    return Result(ApplyOutcome::NothingDone, ApplyFailure::Invalid, device, validation.check.focus);
  }

  if (!RunAdministratorCheck(client, user, device)) {
    return Result(ApplyOutcome::NothingDone, ApplyFailure::PasswordRefused, device);
  }
  // No message either way: the rediscovered list shows whether the device
  // took its new address.
  bool moved = false;
  user.RunBlocking([&] { moved = client.SetStaticAddress(device, entered); });
  return {ApplyOutcome::AddressSent, ApplyFailure::None, std::nullopt,
          moved ? entered.newAddress.str() : device.address.str()};
}

}  // namespace

ApplyResult ApplyLanSettings(protocol::ManagementClient& client, Interaction& user,
                             std::string_view deviceAddress, const LanSettingsInput& input) {
  const protocol::DeviceRecord device = client.DeviceAt(deviceAddress);
  if (input.deviceSelected == 0) {
    user.Message({"Error", "Please select a device in the above section.", MessageIcon::Stop});
    return Result(ApplyOutcome::NothingDone, ApplyFailure::None, device);
  }
  if (input.receiveDhcp < 0) return Result(ApplyOutcome::NothingDone, ApplyFailure::None, device);
  return input.receiveDhcp == 1 ? ApplyDhcp(client, user, device) : ApplyStatic(client, user, device, input);
}

}  // namespace kfw::core
