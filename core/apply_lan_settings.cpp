#include "core/apply_lan_settings.h"

#include "core/admin_check.h"

namespace kfw::core {
namespace {

ApplyResult Result(ApplyOutcome outcome, CommandEnd end, std::string deviceAddress,
                   std::optional<FieldFocus> focus = std::nullopt) {
  ApplyResult result;
  static_cast<CommandEnd&>(result) = std::move(end);
  result.outcome = outcome;
  result.focus = focus;
  result.deviceAddress = std::move(deviceAddress);
  return result;
}

ApplyResult ApplyDhcp(protocol::ManagementClient& client, Interaction& user,
                      const protocol::DeviceRecord& device) {
  if (CommandEnd check = RunAdministratorCheck(client, user, device); !check.ok()) {
    return Result(ApplyOutcome::NothingDone, std::move(check), device.address.str());
  }
  std::optional<std::string> switched;
  // The device confirms from the address its DHCP server gave it, which
  // can take close to two minutes.
  user.RunBlocking([&] { switched = client.SetDhcpClient(device); });
  if (!switched) {
    const std::string detail = device.address.str() + " did not confirm the switch to its DHCP client";
    user.Message({"Error", "Set to dhcp client fail.", MessageIcon::Stop, detail});
    return Result(ApplyOutcome::NothingDone, {Failure::NotFound, detail}, device.address.str());
  }
  user.Message({"Confirm", "DHCP client enabled.", MessageIcon::Information});
  return Result(ApplyOutcome::DhcpEnabled, {}, *switched);
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
    return Result(ApplyOutcome::NothingDone, {Failure::BadInput, {}}, device.address.str(),
                  validation.check.focus);
  }

  if (CommandEnd check = RunAdministratorCheck(client, user, device); !check.ok()) {
    return Result(ApplyOutcome::NothingDone, std::move(check), device.address.str());
  }
  // No message either way: the rediscovered list shows whether the device
  // took its new address.
  bool moved = false;
  user.RunBlocking([&] { moved = client.SetStaticAddress(device, entered); });
  return Result(ApplyOutcome::AddressSent, {}, moved ? entered.newAddress.str() : device.address.str());
}

}  // namespace

ApplyResult ApplyLanSettings(protocol::ManagementClient& client, Interaction& user,
                             std::string_view deviceAddress, const LanSettingsInput& input) {
  const protocol::DeviceRecord device = client.DeviceAt(deviceAddress);
  if (input.deviceSelected == 0) {
    user.Message({"Error", "Please select a device in the above section.", MessageIcon::Stop});
    return Result(ApplyOutcome::NothingDone, {Failure::BadInput, {}}, device.address.str());
  }
  if (input.receiveDhcp < 0) return Result(ApplyOutcome::NothingDone, {}, device.address.str());
  return input.receiveDhcp == 1 ? ApplyDhcp(client, user, device) : ApplyStatic(client, user, device, input);
}

}  // namespace kfw::core
