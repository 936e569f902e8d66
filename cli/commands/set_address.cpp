// findway set-address: a device's LAN settings changed, as Apply does.

#include "cli/argument_types.h"
#include "cli/command_unit.h"
#include "cli/findway_output.h"
#include "cli/session.h"
#include "core/apply_lan_settings.h"

namespace kfw::cli {
namespace {

struct Settings {
  std::string address;
  bool dhcp = false;
  core::FieldOctets ip, netmask, gateway;
  bool passwordStdin = false;
};

int SetAddress(const Settings& settings, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  if (!network.Select(settings.address)) return kNotFound;
  const auto passwords = Passwords(settings.passwordStdin, terminal);
  TerminalInteraction user({settings.address, std::nullopt, false, -1, terminal.errorIsTerminal}, *passwords,
                           terminal.err, network.clock());
  const core::LanSettingsInput input{1, settings.dhcp ? 1 : 0, settings.ip, settings.netmask, settings.gateway};
  const core::ApplyResult result = core::ApplyLanSettings(network.client(), user, network.selected(), input);
  if (!result.ok()) return ExitStatusOf(result.failure);
  if (result.outcome == core::ApplyOutcome::NothingDone) return kNotFound;
  // Where the device now answers: the address the DHCP server gave it, or
  // the static one; the rediscovery tells whether it took it.
  const std::string moved =
      settings.dhcp ? result.deviceAddress : network.client().enteredLanSettings().newAddress.str();
  network.Discover();
  if (network.client().FindDeviceByAddress(moved) == nullptr) {
    terminal.err << "findway: no device answered at " << moved << " after the change\n";
    return kNotFound;
  }
  terminal.out << moved << "\n";
  return kSuccess;
}

std::string WithCaption(const core::UserMessage& message) {
  return message.caption.empty() ? message.text : message.caption + ": " + message.text;
}

Parsed Parse(const Arguments& arguments) {
  Settings settings;
  const auto address = DeviceAddress(arguments.positional[0]);
  if (!address) return Parsed::Refuse(NotAnAddress(arguments.positional[0]));
  settings.address = *address;
  settings.dhcp = arguments.Has("--dhcp");
  settings.passwordStdin = arguments.Has("--password-stdin");
  if (settings.dhcp == arguments.Has("--static")) return Parsed::Refuse("set-address needs either --dhcp or --static");
  if (!settings.dhcp) {
    const std::vector<std::string>& texts = arguments.options.find("--static")->second;
    const char* names[] = {"IP", "NETMASK", "GATEWAY"};
    core::FieldOctets* fields[] = {&settings.ip, &settings.netmask, &settings.gateway};
    for (int i = 0; i < 3; ++i) {
      const auto field = FieldOf(texts[i]);
      if (!field) {
        return Parsed::Refuse(std::string(names[i]) + " " + EchoedArgument(texts[i]) +
                              " is not a dotted address of four numbers 0-255");
      }
      *fields[i] = *field;
    }
    // The same checks and messages as the LAN panel's, before any datagram.
    const core::ValidationResult check =
        core::ValidateStaticSettings(settings.ip, settings.netmask, settings.gateway);
    if (!check.check.ok) return Parsed::Refuse(WithCaption(check.check.message));
  }
  return {[settings](Terminal& terminal) { return SetAddress(settings, terminal); }, {}};
}

}  // namespace

const CommandUnit& SetAddressCommand() {
  static const CommandUnit unit{
      "set-address", "ADDRESS (--dhcp | --static IP NETMASK GATEWAY) [--password-stdin]",
      "change a device's LAN settings",
      "Changes the LAN settings of the device at ADDRESS, once it has accepted\n"
      "its administrator password, then finds it again and prints its new\n"
      "address.\n"
      "  --dhcp             the device takes its address from a DHCP server\n"
      "  --static IP NETMASK GATEWAY\n"
      "                     a fixed address, netmask and gateway (in the address's\n"
      "                     subnet), checked as the window's LAN panel checks them\n"
      "  --password-stdin   read the administrator password from standard input\n"
      "The password crosses the LAN in clear (the devices' protocol has no\n"
      "encryption): use this on a network you trust.\n",
      {{"--dhcp"}, {"--static", 3}, {"--password-stdin"}}, 1, 1, 0, {}, Parse};
  return unit;
}

}  // namespace kfw::cli
