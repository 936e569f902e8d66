#pragma once
// The main window: draws what the window model tells it (the devices found
// by discovery, the LAN settings and the shares of the device the user
// clicked, the command buttons) and hands the model the user's clicks.

#include <QDialog>
#include <memory>

#include "core/main_window_model.h"
#include "forms/main_window_form.h"
#include "gui/window_interaction.h"
#include "ui/busy.h"
#include "ui/prompts.h"

class QComboBox;
class QMenu;
class QPushButton;

namespace kfw::ui {
class AddressField;
class ReportView;
}  // namespace kfw::ui

namespace kfw::gui {

class MainWindow : public QDialog, private core::MainWindowView {
  Q_OBJECT

 public:
  using enum forms::main_window::Id;

  // Builds the window and starts the model: the drive table, the free drive
  // letters and a first discovery, all before the window is first shown.
  MainWindow(const core::MainWindowServices& services, ui::Prompts& prompts, ui::BusyRunner& busy,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The device list's context menu for the highlighted device, enabled
  // exactly like the buttons.
  std::unique_ptr<QMenu> DeviceContextMenu();

  core::MainWindowModel& model() { return model_; }
  core::Selection& selection() { return model_.selection(); }

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
  // What the model reads back and shows.
  std::optional<std::size_t> SelectedDevice() const override;
  std::optional<std::size_t> SelectedShare() const override;
  std::optional<std::size_t> SelectedLetter() const override;
  std::optional<bool> DhcpChoice() const override;
  core::FieldOctets Field(core::FieldKind field) const override;
  void ShowDevices(const std::vector<core::DeviceRow>& rows) override;
  void ShowShares(const std::vector<core::ShareRow>& rows) override;
  void ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) override;
  void ShowField(core::FieldKind field, const std::string& text) override;
  void EnableFields(bool enabled) override;
  void ShowDhcpChoice(bool enable) override;
  void EnableCommand(core::WindowCommand command, bool enabled) override;
  void FocusField(core::FieldKind field, int octet) override;
  void FocusDeviceList() override;

  ui::AddressField* FieldWidget(core::FieldKind field) const;
  void ShowAbout();

  ui::Prompts& prompts_;
  WindowInteraction interaction_;
  core::MainWindowModel model_;

  ui::ReportView* deviceList_ = nullptr;
  ui::ReportView* shareList_ = nullptr;
  ui::AddressField* address_ = nullptr;
  ui::AddressField* netmask_ = nullptr;
  ui::AddressField* gateway_ = nullptr;
  QComboBox* receiveDhcp_ = nullptr;
  QComboBox* driveLetters_ = nullptr;
};

}  // namespace kfw::gui
