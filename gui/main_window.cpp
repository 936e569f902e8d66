#include "gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include "core/apply_lan_settings.h"
#include "core/desktop_widget.h"
#include "core/drive_mapping.h"
#include "core/subnet_rule.h"
#include "gui/about_dialog.h"
#include "gui/app_resources.h"
#include "ui/address_field.h"
#include "ui/report_view.h"

namespace kfw::gui {
namespace {

constexpr const char* kEnable = "Enable";
constexpr const char* kDisable = "Disable";

// The share list's own face; where it is not installed the dialog's face
// stands in at the same cell height.
QFont ShareListFont() {
  constexpr int kCellHeight = 12;
  QFont font;
  font.setFamilies({QStringLiteral("ITC Officina Sans"), QStringLiteral("Arial"),
                    QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Thin);
  font.setPixelSize(kCellHeight);
  // The height names the whole character cell, leading included.
  const int cell = QFontMetrics(font).height();
  if (cell > kCellHeight) font.setPixelSize(std::max(1, kCellHeight * kCellHeight / cell));
  return font;
}

}  // namespace

MainWindow::MainWindow(const MainWindowServices& services, QWidget* parent)
    : QDialog(parent),
      services_(services),
      interaction_(services.prompts, services.busy, this),
      webConsole_({services.programs, services.browser, services.reachability, services.clock, interaction_},
                  services.spawnCheck),
      placer_(services.files),
      addons_{services.client, placer_,      services.files, services.programs, services.browser,
              services.clock,  interaction_, addonState_,    services.addonTimings} {
  // A main window: title bar, system menu and minimize box, no maximize box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  ui::BuildDialog(*this, forms::MainWindowForm());
  setWindowIcon(AppIcon());

  deviceList_ = ui::Control<ui::ReportView>(*this, kDeviceList);
  shareList_ = ui::Control<ui::ReportView>(*this, kShareList);
  address_ = ui::Control<ui::AddressField>(*this, kAddress);
  netmask_ = ui::Control<ui::AddressField>(*this, kNetmask);
  gateway_ = ui::Control<ui::AddressField>(*this, kGateway);
  receiveDhcp_ = ui::Control<QComboBox>(*this, kReceiveDhcp);
  driveLetters_ = ui::Control<QComboBox>(*this, kDriveLetters);

  deviceList_->SetColumns({{QStringLiteral("Name"), 94},
                           {QStringLiteral("IP"), 81},
                           {QStringLiteral("Netmask"), 81},
                           {QStringLiteral("Gateway"), 81}});
  shareList_->setFont(ShareListFont());
  shareList_->SetColumns({{QStringLiteral("Volume Name"), 120}, {QStringLiteral("Location"), 100}});

  ui::AddListItem(*receiveDhcp_, QString::fromLatin1(kDisable));
  ui::AddListItem(*receiveDhcp_, QString::fromLatin1(kEnable));
  receiveDhcp_->setCurrentIndex(-1);  // empty until the first device click

  connect(deviceList_, &ui::ReportView::mouseClicked, this, &MainWindow::SelectDevice);
  // The highlighted row is the device every command acts on, however it
  // was reached.
  connect(deviceList_, &ui::ReportView::keyboardSelected, this, &MainWindow::SelectDevice);
  deviceList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(deviceList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    DeviceContextMenu()->exec(deviceList_->viewport()->mapToGlobal(at));
  });
  connect(receiveDhcp_, &QComboBox::activated, this, &MainWindow::OnReceiveDhcpChanged);
  connect(button(kRefresh), &QPushButton::clicked, this, &MainWindow::RefreshDeviceList);
  connect(button(kApply), &QPushButton::clicked, this, &MainWindow::ApplyLanSettings);
  connect(button(kAbout), &QPushButton::clicked, this, &MainWindow::ShowAbout);
  connect(button(kExit), &QPushButton::clicked, this, &MainWindow::Exit);
  connect(button(kConnect), &QPushButton::clicked, this, &MainWindow::ConnectShare);
  connect(button(kDisconnect), &QPushButton::clicked, this, &MainWindow::DisconnectDrive);
  connect(button(kConfiguration), &QPushButton::clicked, this, &MainWindow::OpenWebConsole);
  connect(button(kWidget), &QPushButton::clicked, this, &MainWindow::LaunchWidget);
  connect(button(kLanguage), &QPushButton::clicked, this, &MainWindow::InstallLanguage);
  connect(button(kBitTorrent), &QPushButton::clicked, this, &MainWindow::InstallBitTorrent);

  RefreshMappedDrives();
  FillFreeDriveLetters();
  RefreshDeviceList();
  selection_.deviceSelected = 0;
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::button(int id) const { return ui::Control<QPushButton>(*this, id); }

void MainWindow::ClearAddressFields() {
  address_->Clear();
  netmask_->Clear();
  gateway_->Clear();
}

void MainWindow::SetAddressFieldsEnabled(bool enabled) {
  address_->setEnabled(enabled);
  gateway_->setEnabled(enabled);
  netmask_->setEnabled(enabled);
}

void MainWindow::RefreshDeviceList() {
  RebuildDeviceList(/*clearFields=*/true);
  selection_.deviceSelected = 0;
}

void MainWindow::RebuildDeviceList(bool clearFields) {
  deviceList_->clear();
  shareList_->clear();
  if (clearFields) ClearAddressFields();
  QPushButton* refresh = button(kRefresh);
  refresh->setEnabled(false);
  protocol::ManagementClient& client = services_.client;
  services_.busy.Run(
      [&client] { client.DiscoverDevices(protocol::kCategoryFilter, protocol::kSubcategoryFilter); });
  refresh->setEnabled(true);
  for (const protocol::DeviceRecord& record : client.deviceList()) {
    deviceList_->AddRow({record.name.str(), record.address.str(), record.netmask.str(),
                         record.gateway.str()});
  }
}

// The drive service answers from local state, but a desktop session's
// daemons can be slow: the window keeps painting meanwhile.
void MainWindow::RefreshMappedDrives() {
  interaction_.RunBlocking([this] { driveTable_.RefreshMappedDrives(services_.drives); });
}

void MainWindow::FillFreeDriveLetters() {
  const shares::MappedDriveTable::FreeLetters letters = driveTable_.FillFreeDriveLetters();
  driveLetters_->clear();
  for (const std::string& item : letters.items) {
    ui::AddListItem(*driveLetters_, QString::fromLocal8Bit(item.c_str()));
  }
  // The highest free letter is offered first; none when every letter is taken.
  driveLetters_->setCurrentIndex(letters.defaultIndex);
}

void MainWindow::FillShareLocations(const std::string& deviceName, const std::string& deviceAddress,
                                    bool exactHost) {
  shareList_->clear();
  for (const auto& row : driveTable_.FillShareLocations(
           deviceName, deviceAddress, services_.client.shareList().names(), exactHost)) {
    shareList_->AddRow({row.volumeName, row.location});
  }
}

void MainWindow::SelectDevice() {
  protocol::ManagementClient& client = services_.client;
  selection_.deviceSelected = 1;
  deviceList_->setFocus(Qt::MouseFocusReason);

  const QTreeWidgetItem* row = deviceList_->SelectedRow();
  if (row == nullptr) return;  // a click below the rows

  const std::string name = ui::ReportView::CellText(row, 0);
  const std::string ip = ui::ReportView::CellText(row, 1);
  const std::string netmask = ui::ReportView::CellText(row, 2);
  const std::string gateway = ui::ReportView::CellText(row, 3);

  selection_.deviceAddress = ip;
  address_->SetText(QString::fromLocal8Bit(ip.c_str()));

  int interfaceIndex = 0;
  if (const protocol::DeviceRecord* record = client.FindDeviceByAddress(ip)) {
    const bool dhcp = !record->dhcpFlag.empty() && record->dhcpFlag.str().front() == '1';
    receiveDhcp_->setCurrentIndex(receiveDhcp_->findText(QString::fromLatin1(dhcp ? kEnable : kDisable)));
    SetAddressFieldsEnabled(!dhcp);
    selection_.selectedModel = record->model.str();
    interfaceIndex = record->interfaceIndex;
  }

  netmask_->SetText(QString::fromLocal8Bit(netmask.c_str()));

  // Connecting a share and opening the web console only work for a device
  // in the subnet of the interface that found it.
  const bool reachable =
      core::InInterfaceSubnet(ip, netmask, core::InterfaceAddress(client, interfaceIndex));
  for (const int id : {kConnect, kDisconnect, kConfiguration, kLanguage, kWidget}) {
    button(id)->setEnabled(reachable);
  }

  const std::optional<uint32_t> gatewayAddress = core::ParseDottedAddress(gateway);
  if (gatewayAddress && *gatewayAddress == 0) {
    gateway_->Clear();
  } else {
    gateway_->SetText(QString::fromLocal8Bit(gateway.c_str()));
  }

  // Failed queries are silent: the share list stays empty and so does the
  // secure-console answer, which later means a plain web address.
  const protocol::DeviceRecord device = client.DeviceAt(ip);
  std::optional<std::string> ssl;
  services_.busy.Run([&client, &device, &ssl] {
    client.QueryShareList(device);
    ssl = client.QuerySsl(device);
  });
  selection_.sslValue = ssl.value_or("");

  selection_.selectedHost = ip;
  FillShareLocations(name, ip, /*exactHost=*/false);
}

void MainWindow::OnReceiveDhcpChanged() {
  if (receiveDhcp_->currentIndex() < 0) return;
  // The fields keep what they hold: switching back to "Disable" offers the
  // same values again.
  SetAddressFieldsEnabled(receiveDhcp_->currentText() != QLatin1String(kEnable));
}

ui::AddressField* MainWindow::Field(core::FieldKind kind) const {
  switch (kind) {
    case core::FieldKind::Address: return address_;
    case core::FieldKind::Netmask: return netmask_;
    case core::FieldKind::Gateway: return gateway_;
  }
  return address_;
}

void MainWindow::ApplyLanSettings() {
  const core::LanSettingsInput input{selection_.deviceSelected, receiveDhcp_->currentIndex(),
                                     address_->Octets(), netmask_->Octets(), gateway_->Octets()};
  const core::ApplyResult result =
      core::ApplyLanSettings(services_.client, interaction_, selection_.deviceAddress.view(), input);
  selection_.deviceAddress = result.deviceAddress;
  switch (result.outcome) {
    case core::ApplyOutcome::NothingDone:
      if (result.focus) Field(result.focus->field)->FocusOctet(result.focus->octet);
      return;
    case core::ApplyOutcome::DhcpEnabled:
      ClearAddressFields();
      SetAddressFieldsEnabled(true);
      selection_.deviceSelected = 0;
      break;
    case core::ApplyOutcome::AddressSent:
      // deviceSelected stays as it is: the selection has moved with the
      // device to its new address, so a following command still finds it.
      ClearAddressFields();
      break;
  }
  RebuildDeviceList(/*clearFields=*/false);
}

core::DriveMappingInput MainWindow::DriveMappingSelection() const {
  core::DriveMappingInput input;
  if (const QTreeWidgetItem* device = deviceList_->SelectedRow()) {
    input.deviceName = ui::ReportView::CellText(device, 0);
  }
  if (const QTreeWidgetItem* share = shareList_->SelectedRow()) {
    input.shareName = ui::ReportView::CellText(share, 0);
    input.shareLocation = ui::ReportView::CellText(share, 1);
  }
  if (driveLetters_->currentIndex() >= 0) {
    input.driveItem = driveLetters_->currentText().toLocal8Bit().toStdString();
  }
  input.deviceAddress = selection_.deviceAddress.str();
  return input;
}

void MainWindow::ConnectShare() {
  // The selected device row names the host that share paths are built from.
  const QTreeWidgetItem* device = deviceList_->SelectedRow();
  if (device != nullptr) selection_.selectedHost = ui::ReportView::CellText(device, 1);
  const core::DriveMappingServices services{services_.client, services_.drives, services_.system,
                                            interaction_};
  // Every outcome but NothingDone cleared the letter first: the lists must
  // stop showing what it held, whether the new mapping came or not.
  if (core::ConnectShare(services, DriveMappingSelection()).outcome != core::ConnectOutcome::NothingDone) {
    ResyncDriveMapping(/*exactHost=*/true);
  }
}

void MainWindow::DisconnectDrive() {
  const core::DriveMappingServices services{services_.client, services_.drives, services_.system,
                                            interaction_};
  if (core::DisconnectDrive(services, DriveMappingSelection()).ok()) ResyncDriveMapping(/*exactHost=*/false);
}

void MainWindow::ResyncDriveMapping(bool exactHost) {
  RefreshMappedDrives();
  FillFreeDriveLetters();
  const QTreeWidgetItem* device = deviceList_->SelectedRow();
  FillShareLocations(ui::ReportView::CellText(device, 0), ui::ReportView::CellText(device, 1), exactHost);
}

void MainWindow::OpenWebConsole() {
  std::optional<std::string> host;
  if (const QTreeWidgetItem* device = deviceList_->SelectedRow()) {
    host = ui::ReportView::CellText(device, 1);
    selection_.selectedHost = *host;
  }
  if (webConsole_.OpenWebConsole(host, selection_.sslValue.view()).outcome != core::ConsoleOutcome::DeviceGone) {
    return;
  }
  // The device has gone: what the window shows of it goes too.
  Resynchronise();
}

void MainWindow::LaunchWidget() {
  deviceList_->setFocus();
  std::optional<std::string> host;
  if (const QTreeWidgetItem* device = deviceList_->SelectedRow()) host = ui::ReportView::CellText(device, 1);
  core::LaunchWidget({services_.programs, services_.browser, interaction_, services_.widgetAddressFile}, host,
                     selection_.selectedModel);
}

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  services_.prompts.RunModal(about);
}

void MainWindow::Exit() {
  services_.client.FreeDeviceList();
  services_.client.StopNetwork();
  // Ends the run without a close request, so the network is stopped once.
  done(QDialog::Accepted);
}

void MainWindow::InstallLanguage() {
  if (core::LanguageCommand(addons_, selection_.deviceSelected != 0, selection_.selectedHost.str(),
                            selection_.deviceAddress.view())
          .restarted) {
    Resynchronise();
  }
}

void MainWindow::InstallBitTorrent() {
  if (core::BitTorrentCommand(addons_, selection_.deviceSelected != 0, selection_.selectedHost.str(),
                              selection_.deviceAddress.view())
          .restarted) {
    Resynchronise();
  }
}

void MainWindow::Resynchronise() {
  RefreshMappedDrives();
  FillFreeDriveLetters();
  RefreshDeviceList();
  selection_.deviceSelected = 0;
}

std::unique_ptr<QMenu> MainWindow::DeviceContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  for (const int id : {kLanguage, kBitTorrent, kWidget}) {
    QPushButton* command = button(id);
    QAction* action = menu->addAction(command->text());
    action->setObjectName(ui::ControlName(id));
    action->setEnabled(command->isEnabled());
    connect(action, &QAction::triggered, command, &QPushButton::click);
  }
  return menu;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Enter away from any button, like Escape, ends the run at once: the
  // network is left to the end of the process.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier) {
    done(QDialog::Accepted);
    return;
  }
  QDialog::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The device list is left to the end of the process on this path.
  services_.client.StopNetwork();
  QDialog::closeEvent(event);
}

}  // namespace kfw::gui
