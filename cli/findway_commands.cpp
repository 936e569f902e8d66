#include "cli/findway_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "addons/place_payload.h"
#include "cli/findway_output.h"
#include "cli/terminal_interaction.h"
#include "core/addon_install.h"
#include "core/apply_lan_settings.h"
#include "core/drive_mapping.h"
#include "core/web_console.h"
#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/native.h"
#include "protocol/management_client.h"
#include "protocol/safe_text.h"

namespace kfw::cli {
namespace {

using protocol::ManagementClient;

// The test hook: the integration tests shrink the add-on waits (Loading,
// the state polls, the restart's 90 seconds) to keep their runs short.
core::AddonTimings AddonWaits() {
  core::AddonTimings timings;
  const char* shortWaits = std::getenv("KFW_TEST_SHORT_WAITS");
  if (shortWaits != nullptr && std::string_view(shortWaits) == "1") {
    using std::chrono::milliseconds;
    timings.loadingDelay = milliseconds(0);
    timings.languagePoll = timings.btFirstPause = timings.btPoll = milliseconds(10);
    timings.restartStep = milliseconds(5);
    timings.restartTotal = milliseconds(1000);
  }
  return timings;
}

// The management client with its sockets. Only a command that has passed
// every check of its arguments and of the workstation starts one.
struct Network {
  Network() { client.SetDiagnostics(&unheard); }

  // The client's trace of the values it reads is for the window's
  // developers; a script reads the command's own output.
  std::ostream unheard{nullptr};
  platform::NativeSocketLayer sockets;
  platform::SystemClock clock;
  ManagementClient client{sockets, clock};

  bool Start(std::ostream& err) {
    notes = &err;
    if (client.StartNetwork()) return true;
    err << "findway: the network could not be started\n";
    return false;
  }
  void Discover() {
    client.DiscoverDevices(protocol::kCategoryFilter, protocol::kSubcategoryFilter);
    // What the discovery heard and would not list: a reply that claims an
    // address no device can have, or a crowd larger than any network's.
    const auto& drops = client.discoveryDrops();
    if (drops.refusedReplies > 0) {
      *notes << "findway: ignored " << drops.refusedReplies
             << " replies claiming an address no device can have:";
      for (const std::string& address : drops.refusedAddresses) *notes << ' ' << address;
      if (drops.refusedAddresses.size() == ManagementClient::kMaxRefusedNoted) *notes << " ...";
      *notes << "\n";
    }
    if (drops.overBound > 0) {
      *notes << "findway: more devices answered than a discovery lists (" << protocol::kMaxDevicesPerInterface
             << " a network, " << protocol::kMaxDevicesPerDiscovery << " in all); " << drops.overBound
             << " further replies dropped\n";
    }
  }
  std::ostream* notes = &std::cerr;

  // The device the command works on, once selected.
  std::string selected;
  // Discovers, then selects the device at `address` as a click on its row
  // does; nothing when none answered from there.
  const protocol::DeviceRecord* Select(const std::string& address, std::ostream& err) {
    Discover();
    const protocol::DeviceRecord* record = client.FindDeviceByAddress(address);
    if (record == nullptr) {
      err << "findway: no device answered at " << address << "\n";
      return nullptr;
    }
    selected = address;
    return record;
  }
};

TerminalInteraction MakeInteraction(const Command& command, Terminal& terminal, PasswordSource& passwords,
                                    platform::Clock& clock) {
  return TerminalInteraction({command.address, command.user, command.force, command.language,
                              terminal.errorIsTerminal},
                             passwords, terminal.err, clock);
}

// Where the Login dialog's password comes from, by the command's options.
std::unique_ptr<PasswordSource> Passwords(const Command& command, Terminal& terminal) {
  if (command.passwordStdin) return std::make_unique<StreamPassword>(terminal.in);
  return std::make_unique<TerminalPassword>();
}

int Discover(const Command& command, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  if (command.watchSeconds == 0) {
    network.Discover();
    command.json ? WriteDeviceJson(terminal.out, network.client) : WriteDeviceTable(terminal.out, network.client);
    return network.client.deviceList().empty() ? kNotFound : kSuccess;
  }
  std::vector<SeenDevice> seen;
  while (!stopWatching) {
    network.Discover();
    if (stopWatching) break;
    const std::vector<SeenDevice> now = SeenDevices(network.client);
    WriteDeviceChanges(terminal.out, seen, now, command.json);
    seen = now;
    // Short naps, so an interrupt ends the watch without a round's delay.
    for (int i = 0; i < command.watchSeconds * 10 && !stopWatching; ++i) {
      network.clock.Sleep(std::chrono::milliseconds(100));
    }
  }
  return kSuccess;
}

int Query(const Command& command, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(command.address, terminal.err);
  if (record == nullptr) return kNotFound;
  if (!RunQuery(terminal.out, network.client, *record, command.item)) {
    terminal.err << "findway: " << command.address << " did not answer the " << command.item << " query\n";
    return kNotFound;
  }
  return kSuccess;
}

int SetAddress(const Command& command, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  if (!network.Select(command.address, terminal.err)) return kNotFound;
  const auto passwords = Passwords(command, terminal);
  TerminalInteraction user = MakeInteraction(command, terminal, *passwords, network.clock);
  const core::LanSettingsInput input{1, command.dhcp ? 1 : 0, command.ip, command.netmask, command.gateway};
  const core::ApplyResult result = core::ApplyLanSettings(network.client, user, network.selected, input);
  if (user.passwordTooLong()) return kBadArguments;
  switch (result.failure) {
    case core::ApplyFailure::None: break;
    case core::ApplyFailure::Invalid: return kBadArguments;
    case core::ApplyFailure::PasswordRefused: return kRefused;
    case core::ApplyFailure::DeviceFailed: return kNotFound;
  }
  if (result.outcome == core::ApplyOutcome::NothingDone) return kNotFound;
  // Where the device now answers: the address the DHCP server gave it, or
  // the static one; the rediscovery tells whether it took it.
  const std::string moved =
      command.dhcp ? result.deviceAddress : network.client.enteredLanSettings().newAddress.str();
  network.Discover();
  if (network.client.FindDeviceByAddress(moved) == nullptr) {
    terminal.err << "findway: no device answered at " << moved << " after the change\n";
    return kNotFound;
  }
  terminal.out << moved << "\n";
  return kSuccess;
}

// The "Available Drive Letters" item for `letter`, or the default one.
std::optional<std::string> DriveItem(const Command& command, const shares::MappedDriveTable::FreeLetters& letters,
                                     std::ostream& err) {
  if (!command.letter) {
    if (letters.defaultIndex >= 0) return letters.items[static_cast<std::size_t>(letters.defaultIndex)];
    err << "findway: every drive letter is in use\n";
    return std::nullopt;
  }
  for (const std::string& item : letters.items) {
    if (item.compare(0, 2, *command.letter) == 0) return item;
  }
  err << "findway: " << *command.letter << " cannot take a share\n";
  return std::nullopt;
}

int Map(const Command& command, Terminal& terminal) {
  platform::NativeNetworkDrives drives;
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const auto item = DriveItem(command, table.FillFreeDriveLetters(), terminal.err);
  if (!item) return command.letter ? kBadArguments : kLocalFailure;

  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(command.address, terminal.err);
  if (record == nullptr) return kNotFound;
  if (!network.client.QueryShareList(*record)) {
    terminal.err << "findway: " << command.address << " did not answer the shares query\n";
    return kNotFound;
  }
  // The share row as the window lists it; its name as the device spells it.
  const auto& names = network.client.shareList().names();
  const auto share = std::find_if(names.begin(), names.end(),
                                  [&](const std::string& name) { return platform::SameIgnoringCase(name, command.share); });
  if (share == names.end()) {
    terminal.err << "findway: " << command.address << " has no share " << EchoedArgument(command.share) << "\n";
    return kNotFound;
  }

  platform::NativeSystemInfo system;
  const auto passwords = Passwords(command, terminal);
  TerminalInteraction user = MakeInteraction(command, terminal, *passwords, network.clock);
  core::DriveMappingInput input;
  input.deviceName = record->name.str();
  input.shareName = *share;
  input.driveItem = *item;
  input.deviceAddress = network.selected;
  const core::ConnectOutcome outcome = core::ConnectShare({network.client, drives, system, user}, input);
  if (user.passwordTooLong()) return kBadArguments;
  switch (outcome) {
    case core::ConnectOutcome::Connected:
      terminal.out << item->substr(0, 2) << "\n";
      return kSuccess;
    case core::ConnectOutcome::Refused: return kRefused;
    // A letter kept in use, or a mount that failed: the workstation's side.
    case core::ConnectOutcome::NothingDone:
    case core::ConnectOutcome::Failed: break;
  }
  return kLocalFailure;
}

int Unmap(const Command& command, Terminal& terminal) {
  // Disconnect asks nothing of the network: the client is never started.
  platform::NativeSocketLayer sockets;
  platform::SystemClock clock;
  ManagementClient client(sockets, clock);
  platform::NativeNetworkDrives drives;
  platform::NativeSystemInfo system;
  StreamPassword noPasswords(terminal.in);
  TerminalInteraction user = MakeInteraction(command, terminal, noPasswords, clock);
  core::DriveMappingInput input;
  input.driveItem = command.letter;
  return core::DisconnectDrive({client, drives, system, user}, input) ? kSuccess : kLocalFailure;
}

int Drives(const Command& command, Terminal& terminal) {
  platform::NativeNetworkDrives drives;
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  WriteDriveTable(terminal.out, table, table.FillFreeDriveLetters(), command.json);
  return kSuccess;
}

// Starts programs through `inner`, or (without one) only pretends to, and
// remembers the last answer: whether the browser started.
class WatchedStarter final : public platform::ProgramStarter {
 public:
  explicit WatchedStarter(platform::ProgramStarter* inner) : inner_(inner) {}
  int Run(const std::string& commandLine, bool shown) override {
    last = inner_ ? inner_->Run(commandLine, shown) : platform::kStartOk;
    return last;
  }
  int Open(const std::string& file) override { return inner_ ? inner_->Open(file) : platform::kStartOk; }
  int last = platform::kStartOk;

 private:
  platform::ProgramStarter* inner_;
};

// --print asks no desktop for its browser.
class NoBrowser final : public platform::DefaultBrowser {
 public:
  std::string KeyName() override { return ""; }
  std::string CommandLine(const std::string&) override { return ""; }
  std::string Explorer() override { return ""; }
};

int Console(const Command& command, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  const protocol::DeviceRecord* record = network.Select(command.address, terminal.err);
  if (record == nullptr) return kNotFound;
  const std::string ssl = network.client.QuerySsl(*record).value_or("");

  platform::NativeProgramStarter programs;
  platform::NativeDefaultBrowser desktopBrowser;
  NoBrowser noBrowser;
  WatchedStarter starter(command.print ? nullptr : &programs);
  platform::DefaultBrowser& browser = command.print ? static_cast<platform::DefaultBrowser&>(noBrowser)
                                                    : desktopBrowser;
  platform::NativeReachability reachability;
  StreamPassword noPasswords(terminal.in);
  TerminalInteraction user = MakeInteraction(command, terminal, noPasswords, network.clock);
  core::ConsoleOutcome outcome;
  {
    core::WebConsole console({starter, browser, reachability, network.clock, user});
    outcome = console.OpenWebConsole(command.address, ssl);
  }
  if (outcome != core::ConsoleOutcome::Started) return kNotFound;
  if (command.print) {
    terminal.out << core::ConsoleUrl(command.address, ssl) << "\n";
  } else if (!platform::Started(starter.last)) {
    terminal.err << "findway: no browser could be started for " << core::ConsoleUrl(command.address, ssl) << "\n";
    return kLocalFailure;
  }
  return kSuccess;
}

int AddonStatus(core::AddonEnd end) {
  switch (end) {
    case core::AddonEnd::Installed: return kSuccess;
    case core::AddonEnd::PasswordRefused:
    case core::AddonEnd::DiskRefused:
    case core::AddonEnd::LanguageRefused: return kRefused;
    case core::AddonEnd::PlacementFailed: return kLocalFailure;
    case core::AddonEnd::Unconfirmed:  // the device did not answer the announcement
    case core::AddonEnd::NoDevice:
    case core::AddonEnd::Cancelled: break;
  }
  return kNotFound;
}

int InstallAddon(const Command& command, Terminal& terminal) {
  Network network;
  if (!network.Start(terminal.err)) return kNotFound;
  if (!network.Select(command.address, terminal.err)) return kNotFound;
  platform::NativeShareFiles files;
  addons::SharePayloadPlacer placer(files);
  platform::NativeProgramStarter programs;
  platform::NativeDefaultBrowser browser;
  const auto passwords = Passwords(command, terminal);
  TerminalInteraction user = MakeInteraction(command, terminal, *passwords, network.clock);
  core::AddonState state;
  core::AddonServices services{network.client, placer, files, programs, browser, network.clock, user, state,
                               AddonWaits()};
  if (command.kind == CommandKind::InstallLanguage) {
    core::LanguageCommand(services, true, command.address, network.selected);
  } else {
    core::BitTorrentCommand(services, true, command.address, network.selected);
  }
  if (user.passwordTooLong()) return kBadArguments;
  return AddonStatus(state.end);
}

}  // namespace

int RunCommand(const Command& command, Terminal& terminal) {
  switch (command.kind) {
    case CommandKind::Help: terminal.out << command.helpText; return kSuccess;
    case CommandKind::Discover: return Discover(command, terminal);
    case CommandKind::Query: return Query(command, terminal);
    case CommandKind::SetAddress: return SetAddress(command, terminal);
    case CommandKind::Map: return Map(command, terminal);
    case CommandKind::Unmap: return Unmap(command, terminal);
    case CommandKind::Drives: return Drives(command, terminal);
    case CommandKind::Console: return Console(command, terminal);
    case CommandKind::InstallLanguage:
    case CommandKind::InstallBitTorrent: return InstallAddon(command, terminal);
  }
  return kBadArguments;
}

}  // namespace kfw::cli
