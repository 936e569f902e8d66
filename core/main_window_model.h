#pragma once
// The main window's own steps, whichever toolkit draws it: the device list
// and the selection a click makes, the LAN panel, the subnet test, the
// shares with their drive letters, Refresh and the resynchronisations, and
// what every command button does. A front end draws what the model tells
// its view, hands it the user's clicks, and answers the commands' questions
// through the Interaction it gives the model.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "addons/place_payload.h"
#include "core/addon_install.h"
#include "core/address_validation.h"
#include "core/drive_mapping.h"
#include "core/interaction.h"
#include "core/web_console.h"
#include "platform/network_drives.h"
#include "platform/system_info.h"
#include "protocol/fixed_text.h"
#include "protocol/management_client.h"
#include "shares/drive_table.h"

namespace kfw::core {

// What the window works with. All of it outlives the window.
struct MainWindowServices {
  protocol::ManagementClient& client;
  platform::NetworkDrives& drives;
  platform::SystemInfo& system;
  platform::ProgramStarter& programs;
  platform::DefaultBrowser& browser;
  platform::Reachability& reachability;
  platform::Clock& clock;
  // Where add-on files are written: the device's share, the staging folder.
  platform::ShareFiles& files;
  // The file a desktop widget reads the selected device's address from.
  std::filesystem::path widgetAddressFile;
  // How the web console's check is started; empty: on a thread of its own.
  WebConsole::Spawn spawnCheck = {};
  AddonTimings addonTimings = {};
};

// The selection every command reads.
struct Selection {
  // 1 after any click in the device list, also one that selects no row; 0
  // after start-up, after a refresh and after the commands that resynchronise.
  int deviceSelected = 0;
  // The clicked row's address text, from which share paths and web
  // addresses are built.
  protocol::FixedText<63> selectedHost;
  // The clicked device's model.
  std::string selectedModel;
  // The device the commands talk to: the clicked row's address, moved with
  // the device when Apply changes it.
  protocol::AddressText deviceAddress;
  // The clicked device's secure-console answer; empty when it gave none.
  protocol::FixedText<7> sslValue;
  // The workstation interface that found the clicked device.
  int interfaceIndex = 0;
};

// The window's command buttons whose enabled state the model decides.
enum class WindowCommand { Refresh, Connect, Disconnect, Configuration, Language, Widget, BitTorrent };

// One row of the device list, as the device's discovery reply gave it.
struct DeviceRow {
  std::string name, address, netmask, gateway;
};
using ShareRow = shares::MappedDriveTable::Location;

// What a front end shows and what it reads back from the user. Rows are
// indexes into what the model last showed.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;

  virtual std::optional<std::size_t> SelectedDevice() const = 0;
  virtual std::optional<std::size_t> SelectedShare() const = 0;
  virtual std::optional<std::size_t> SelectedLetter() const = 0;
  // "Receive DHCP": nothing before the first choice, else whether "Enable".
  virtual std::optional<bool> DhcpChoice() const = 0;
  virtual FieldOctets Field(FieldKind field) const = 0;

  // A new device list selects no row.
  virtual void ShowDevices(const std::vector<DeviceRow>& rows) = 0;
  virtual void ShowShares(const std::vector<ShareRow>& rows) = 0;
  // `current` is the item offered; none when every letter is taken.
  virtual void ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) = 0;
  // An empty text blanks the field.
  virtual void ShowField(FieldKind field, const std::string& text) = 0;
  virtual void EnableFields(bool enabled) = 0;
  virtual void ShowDhcpChoice(bool enable) = 0;
  virtual void EnableCommand(WindowCommand command, bool enabled) = 0;
  virtual void FocusField(FieldKind field, int octet) = 0;
  virtual void FocusDeviceList() = 0;
};

class MainWindowModel {
 public:
  // The commands of the device list's context menu, in its order: those
  // whose buttons have no place in the window.
  static constexpr std::array<WindowCommand, 3> kContextMenu{WindowCommand::Language, WindowCommand::BitTorrent,
                                                             WindowCommand::Widget};

  MainWindowModel(const MainWindowServices& services, Interaction& user, MainWindowView& view);

  // The drive table, the free drive letters and a first discovery, all
  // before the window is first shown.
  void Start();

  // Empties both lists and the LAN panel, runs discovery, lists the devices
  // found and clears deviceSelected.
  void RefreshDeviceList();
  // A click or an arrow key in the device list, also one that selects no
  // row: the LAN panel, the subnet test and the shares of the device.
  void SelectDevice();
  // The right button highlights the row under it without a click: before
  // its menu opens, the device there is selected as a click would select
  // it, unless it is the one selected already.
  void SelectHighlighted();
  void OnReceiveDhcpChanged();
  void ApplyLanSettings();
  void ConnectShare();
  void DisconnectDrive();
  void OpenWebConsole();
  void LaunchWidget();
  void InstallLanguage();
  void InstallBitTorrent();
  // Exit frees the device list before the sockets close; a close request
  // stops the network and leaves the list to the end of the process.
  void Exit();
  void CloseRequested();

  bool enabled(WindowCommand command) const { return enabled_[static_cast<std::size_t>(command)]; }
  Selection& selection() { return selection_; }
  const std::vector<DeviceRow>& devices() const { return devices_; }
  // The row the last selection was made for; none since the list was
  // last rebuilt.
  std::optional<std::size_t> selectedRow() const { return selectedRow_; }

 private:
  // Empties both lists, runs discovery with Refresh disabled and lists the
  // devices found.
  void RebuildDeviceList(bool clearFields);
  void ClearFields();
  void Enable(WindowCommand command, bool on);
  // The drive service answers from local state, but a desktop session's
  // daemons can be slow: the window keeps painting meanwhile.
  void RefreshMappedDrives();
  void FillFreeDriveLetters();
  // Lists the selected device's shares with the drive letter connected to
  // each.
  void FillShareLocations(const std::string& deviceName, const std::string& deviceAddress, bool exactHost);
  // After a device went away or restarted: the drive views and the device
  // list anew, no device selected.
  void Resynchronise();
  // After a mapping changed: the drive table, the free letters and the
  // selected device's share locations.
  void ResyncDriveMapping(bool exactHost);
  // The selected device row, if the view still has one the model showed.
  const DeviceRow* SelectedRow() const;
  // The rows and the letter Connect and Disconnect work from.
  DriveMappingInput DriveMappingSelection() const;

  MainWindowServices services_;
  Interaction& user_;
  MainWindowView& view_;
  WebConsole webConsole_;
  addons::SharePayloadPlacer placer_;
  AddonState addonState_;
  AddonServices addons_;
  shares::MappedDriveTable driveTable_;
  Selection selection_;
  std::vector<DeviceRow> devices_;
  std::optional<std::size_t> selectedRow_;
  std::vector<ShareRow> shares_;
  std::vector<std::string> letters_;
  std::array<bool, 7> enabled_;
};

}  // namespace kfw::core
