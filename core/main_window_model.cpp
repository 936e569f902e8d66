#include "core/main_window_model.h"

#include "core/apply_lan_settings.h"
#include "core/desktop_widget.h"
#include "core/subnet_rule.h"

namespace kfw::core {

MainWindowModel::MainWindowModel(const MainWindowServices& services, Interaction& user, MainWindowView& view)
    : services_(services),
      user_(user),
      view_(view),
      webConsole_({services.programs, services.browser, services.reachability, services.clock, user},
                  services.spawnCheck),
      placer_(services.files),
      addons_{services.client, placer_, services.files, services.programs, services.browser,
              services.clock,  user,    addonState_,    services.addonTimings} {
  enabled_.fill(true);
}

void MainWindowModel::Start() {
  RefreshMappedDrives();
  FillFreeDriveLetters();
  RefreshDeviceList();
}

void MainWindowModel::Enable(WindowCommand command, bool on) {
  enabled_[static_cast<std::size_t>(command)] = on;
  view_.EnableCommand(command, on);
}

void MainWindowModel::ClearFields() {
  for (const FieldKind field : {FieldKind::Address, FieldKind::Netmask, FieldKind::Gateway}) {
    view_.ShowField(field, {});
  }
}

void MainWindowModel::RefreshDeviceList() {
  RebuildDeviceList(/*clearFields=*/true);
  selection_.deviceSelected = 0;
}

void MainWindowModel::RebuildDeviceList(bool clearFields) {
  devices_.clear();
  selectedRow_.reset();
  shares_.clear();
  view_.ShowDevices(devices_);
  view_.ShowShares(shares_);
  if (clearFields) ClearFields();
  Enable(WindowCommand::Refresh, false);
  protocol::ManagementClient& client = services_.client;
  user_.RunBlocking([&client] { client.DiscoverDevices(protocol::kCategoryFilter, protocol::kSubcategoryFilter); });
  Enable(WindowCommand::Refresh, true);
  for (const protocol::DeviceRecord& record : client.deviceList()) {
    devices_.push_back({record.name.str(), record.address.str(), record.netmask.str(), record.gateway.str()});
  }
  view_.ShowDevices(devices_);
}

void MainWindowModel::RefreshMappedDrives() {
  user_.RunBlocking([this] { driveTable_.RefreshMappedDrives(services_.drives); });
}

void MainWindowModel::FillFreeDriveLetters() {
  shares::MappedDriveTable::FreeLetters letters = driveTable_.FillFreeDriveLetters();
  letters_ = std::move(letters.items);
  // The highest free letter is offered first; none when every letter is taken.
  std::optional<std::size_t> current;
  if (letters.defaultIndex >= 0) current = static_cast<std::size_t>(letters.defaultIndex);
  view_.ShowLetters(letters_, current);
}

void MainWindowModel::FillShareLocations(const std::string& deviceName, const std::string& deviceAddress,
                                         bool exactHost) {
  shares_ = driveTable_.FillShareLocations(deviceName, deviceAddress, services_.client.shareList().names(),
                                           exactHost);
  view_.ShowShares(shares_);
}

const DeviceRow* MainWindowModel::SelectedRow() const {
  const std::optional<std::size_t> row = view_.SelectedDevice();
  return row && *row < devices_.size() ? &devices_[*row] : nullptr;
}

void MainWindowModel::SelectDevice() {
  protocol::ManagementClient& client = services_.client;
  selection_.deviceSelected = 1;
  selectedRow_ = view_.SelectedDevice();
  view_.FocusDeviceList();
  const DeviceRow* selected = SelectedRow();
  if (selected == nullptr) return;  // a click below the rows
  // The row is copied: the lists may be rebuilt while the queries wait.
  const DeviceRow row = *selected;

  selection_.deviceAddress = row.address;
  view_.ShowField(FieldKind::Address, row.address);

  selection_.interfaceIndex = 0;
  if (const protocol::DeviceRecord* record = client.FindDeviceByAddress(row.address)) {
    const bool dhcp = !record->dhcpFlag.empty() && record->dhcpFlag.str().front() == '1';
    view_.ShowDhcpChoice(dhcp);
    view_.EnableFields(!dhcp);
    selection_.selectedModel = record->model.str();
    selection_.interfaceIndex = record->interfaceIndex;
  }

  view_.ShowField(FieldKind::Netmask, row.netmask);

  // Connecting a share and opening the web console only work for a device
  // in the subnet of the interface that found it.
  const bool reachable = InInterfaceSubnet(row.address, row.netmask,
                                           InterfaceAddress(client, selection_.interfaceIndex));
  for (const WindowCommand command : {WindowCommand::Connect, WindowCommand::Disconnect,
                                      WindowCommand::Configuration, WindowCommand::Language, WindowCommand::Widget}) {
    Enable(command, reachable);
  }

  const std::optional<uint32_t> gateway = ParseDottedAddress(row.gateway);
  view_.ShowField(FieldKind::Gateway, gateway && *gateway == 0 ? std::string() : row.gateway);

  // Failed queries are silent: the share list stays empty and so does the
  // secure-console answer, which later means a plain web address.
  const protocol::DeviceRecord device = client.DeviceAt(row.address);
  std::optional<std::string> ssl;
  user_.RunBlocking([&client, &device, &ssl] {
    client.QueryShareList(device);
    ssl = client.QuerySsl(device);
  });
  selection_.sslValue = ssl.value_or("");

  selection_.selectedHost = row.address;
  FillShareLocations(row.name, row.address, /*exactHost=*/false);
}

void MainWindowModel::SelectHighlighted() {
  const std::optional<std::size_t> row = view_.SelectedDevice();
  if (row && row != selectedRow_) SelectDevice();
}

void MainWindowModel::OnReceiveDhcpChanged() {
  // The fields keep what they hold: switching back to "Disable" offers the
  // same values again.
  if (const std::optional<bool> dhcp = view_.DhcpChoice()) view_.EnableFields(!*dhcp);
}

void MainWindowModel::ApplyLanSettings() {
  const std::optional<bool> dhcp = view_.DhcpChoice();
  const LanSettingsInput input{selection_.deviceSelected, dhcp ? int(*dhcp) : -1, view_.Field(FieldKind::Address),
                               view_.Field(FieldKind::Netmask), view_.Field(FieldKind::Gateway)};
  const ApplyResult result = core::ApplyLanSettings(services_.client, user_, selection_.deviceAddress.view(), input);
  selection_.deviceAddress = result.deviceAddress;
  switch (result.outcome) {
    case ApplyOutcome::NothingDone:
      if (result.focus) view_.FocusField(result.focus->field, result.focus->octet);
      return;
    case ApplyOutcome::DhcpEnabled:
      ClearFields();
      view_.EnableFields(true);
      selection_.deviceSelected = 0;
      break;
    case ApplyOutcome::AddressSent:
      // deviceSelected stays as it is: the selection has moved with the
      // device to its new address, so a following command still finds it.
      ClearFields();
      break;
  }
  RebuildDeviceList(/*clearFields=*/false);
}

DriveMappingInput MainWindowModel::DriveMappingSelection() const {
  DriveMappingInput input;
  if (const DeviceRow* device = SelectedRow()) input.deviceName = device->name;
  if (const std::optional<std::size_t> share = view_.SelectedShare(); share && *share < shares_.size()) {
    input.shareName = shares_[*share].volumeName;
    input.shareLocation = shares_[*share].location;
  }
  if (const std::optional<std::size_t> letter = view_.SelectedLetter(); letter && *letter < letters_.size()) {
    input.driveItem = letters_[*letter];
  }
  input.deviceAddress = selection_.deviceAddress.str();
  return input;
}

void MainWindowModel::ConnectShare() {
  // The selected device row names the host that share paths are built from.
  if (const DeviceRow* device = SelectedRow()) selection_.selectedHost = device->address;
  const DriveMappingServices services{services_.client, services_.drives, services_.system, user_};
  // Every outcome but NothingDone cleared the letter first: the lists must
  // stop showing what it held, whether the new mapping came or not.
  if (core::ConnectShare(services, DriveMappingSelection()).outcome != ConnectOutcome::NothingDone) {
    ResyncDriveMapping(/*exactHost=*/true);
  }
}

void MainWindowModel::DisconnectDrive() {
  const DriveMappingServices services{services_.client, services_.drives, services_.system, user_};
  if (core::DisconnectDrive(services, DriveMappingSelection()).ok()) ResyncDriveMapping(/*exactHost=*/false);
}

void MainWindowModel::ResyncDriveMapping(bool exactHost) {
  RefreshMappedDrives();
  FillFreeDriveLetters();
  const DeviceRow* device = SelectedRow();
  FillShareLocations(device ? device->name : "", device ? device->address : "", exactHost);
}

void MainWindowModel::OpenWebConsole() {
  std::optional<std::string> host;
  if (const DeviceRow* device = SelectedRow()) {
    host = device->address;
    selection_.selectedHost = *host;
  }
  // The device has gone: what the window shows of it goes too.
  if (webConsole_.OpenWebConsole(host, selection_.sslValue.view()).outcome == ConsoleOutcome::DeviceGone) {
    Resynchronise();
  }
}

void MainWindowModel::LaunchWidget() {
  view_.FocusDeviceList();
  std::optional<std::string> host;
  if (const DeviceRow* device = SelectedRow()) host = device->address;
  core::LaunchWidget({services_.programs, services_.browser, user_, services_.widgetAddressFile}, host,
                     selection_.selectedModel);
}

void MainWindowModel::InstallLanguage() {
  if (LanguageCommand(addons_, selection_.deviceSelected != 0, selection_.selectedHost.str(),
                      selection_.deviceAddress.view())
          .restarted) {
    Resynchronise();
  }
}

void MainWindowModel::InstallBitTorrent() {
  if (BitTorrentCommand(addons_, selection_.deviceSelected != 0, selection_.selectedHost.str(),
                        selection_.deviceAddress.view())
          .restarted) {
    Resynchronise();
  }
}

void MainWindowModel::Resynchronise() {
  RefreshMappedDrives();
  FillFreeDriveLetters();
  RefreshDeviceList();
}

void MainWindowModel::Exit() {
  services_.client.FreeDeviceList();
  services_.client.StopNetwork();
}

void MainWindowModel::CloseRequested() { services_.client.StopNetwork(); }

}  // namespace kfw::core
