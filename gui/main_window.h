#pragma once
// The main window: the devices found by discovery, the LAN settings and the
// shares of the device the user clicked, and the command buttons. It owns
// the selection every command reads.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "addons/place_payload.h"
#include "core/addon_install.h"
#include "core/address_validation.h"
#include "core/drive_mapping.h"
#include "core/web_console.h"
#include "forms/main_window_form.h"
#include "gui/window_interaction.h"
#include "platform/network_drives.h"
#include "platform/system_info.h"
#include "protocol/fixed_text.h"
#include "protocol/management_client.h"
#include "shares/drive_table.h"
#include "ui/busy.h"
#include "ui/dialog_template.h"
#include "ui/prompts.h"

class QComboBox;
class QMenu;
class QPushButton;

namespace kfw::ui {
class AddressField;
class ReportView;
}  // namespace kfw::ui

namespace kfw::gui {

// What the window works with. All of it outlives the window.
struct MainWindowServices {
  protocol::ManagementClient& client;
  platform::NetworkDrives& drives;
  platform::SystemInfo& system;
  ui::Prompts& prompts;
  ui::BusyRunner& busy;
  platform::ProgramStarter& programs;
  platform::DefaultBrowser& browser;
  platform::Reachability& reachability;
  platform::Clock& clock;
  // Where add-on files are written: the device's share, the staging folder.
  platform::ShareFiles& files;
  // The file a desktop widget reads the selected device's address from.
  std::filesystem::path widgetAddressFile;
  // How the web console's check is started; empty: on a thread of its own.
  core::WebConsole::Spawn spawnCheck = {};
  core::AddonTimings addonTimings = {};
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
};

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  using enum forms::main_window::Id;

  // Builds the window and initialises it: the drive table, the free drive
  // letters and a first discovery, all before the window is first shown.
  explicit MainWindow(const MainWindowServices& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Clears both lists and the address fields, runs discovery, lists the
  // devices found and clears deviceSelected.
  void RefreshDeviceList();
  void RefreshMappedDrives();
  void FillFreeDriveLetters();
  // Lists the selected device's shares with the drive letter connected to
  // each.
  void FillShareLocations(const std::string& deviceName, const std::string& deviceAddress,
                          bool exactHost);

  // Handlers of the window's controls.
  void SelectDevice();
  void ApplyLanSettings();
  void ConnectShare();
  void DisconnectDrive();
  void OpenWebConsole();
  void LaunchWidget();
  void InstallLanguage();
  void InstallBitTorrent();
  void OnReceiveDhcpChanged();
  void ShowAbout();
  void Exit();

  // The device list's context menu: the commands whose buttons have no place
  // in the window, enabled exactly like their buttons.
  std::unique_ptr<QMenu> DeviceContextMenu();

  Selection& selection() { return selection_; }
  shares::MappedDriveTable& driveTable() { return driveTable_; }
  const MainWindowServices& services() const { return services_; }

  ui::ReportView* deviceList() const { return deviceList_; }
  ui::ReportView* shareList() const { return shareList_; }
  ui::AddressField* addressField() const { return address_; }
  ui::AddressField* netmaskField() const { return netmask_; }
  ui::AddressField* gatewayField() const { return gateway_; }
  QComboBox* receiveDhcp() const { return receiveDhcp_; }
  QComboBox* driveLetters() const { return driveLetters_; }
  QPushButton* button(int id) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Deletes the rows of both lists, runs discovery with "Refresh" disabled
  // and lists the devices found.
  void RebuildDeviceList(bool clearFields);
  void ClearAddressFields();
  void SetAddressFieldsEnabled(bool enabled);
  // After a device went away or restarted: the drive views and the device
  // list anew, no device selected.
  void Resynchronise();
  // The rows and the letter Connect and Disconnect work from.
  core::DriveMappingInput DriveMappingSelection() const;
  // After a mapping changed: the drive table, the free letters and the
  // selected device's share locations.
  void ResyncDriveMapping(bool exactHost);
  ui::AddressField* Field(core::FieldKind kind) const;

  MainWindowServices services_;
  WindowInteraction interaction_;
  core::WebConsole webConsole_;
  Selection selection_;
  shares::MappedDriveTable driveTable_;
  addons::SharePayloadPlacer placer_;
  core::AddonState addonState_;
  core::AddonServices addons_;

  ui::ReportView* deviceList_ = nullptr;
  ui::ReportView* shareList_ = nullptr;
  ui::AddressField* address_ = nullptr;
  ui::AddressField* netmask_ = nullptr;
  ui::AddressField* gateway_ = nullptr;
  QComboBox* receiveDhcp_ = nullptr;
  QComboBox* driveLetters_ = nullptr;
};

}  // namespace kfw::gui
