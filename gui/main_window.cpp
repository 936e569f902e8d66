#include "gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include "gui/about_dialog.h"
#include "gui/app_resources.h"
#include "ui/dialog_template.h"
#include "ui/address_field.h"
#include "ui/report_view.h"

namespace kfw::gui {
namespace {

using core::WindowCommand;

constexpr const char* kEnable = "Enable";
constexpr const char* kDisable = "Disable";

int ButtonOf(WindowCommand command) {
  using enum forms::main_window::Id;
  switch (command) {
    case WindowCommand::Refresh: return kRefresh;
    case WindowCommand::Connect: return kConnect;
    case WindowCommand::Disconnect: return kDisconnect;
    case WindowCommand::Configuration: return kConfiguration;
    case WindowCommand::Language: return kLanguage;
    case WindowCommand::Widget: return kWidget;
    case WindowCommand::BitTorrent: return kBitTorrent;
  }
  return kRefresh;
}

std::optional<std::size_t> RowIndex(const ui::ReportView* list) {
  QTreeWidgetItem* row = list->SelectedRow();
  if (row == nullptr) return std::nullopt;
  return static_cast<std::size_t>(list->indexOfTopLevelItem(row));
}

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

MainWindow::MainWindow(const core::MainWindowServices& services, ui::Prompts& prompts, ui::BusyRunner& busy,
                       QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      interaction_(prompts, busy, this),
      model_(services, interaction_, *this) {
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

  core::MainWindowModel& model = model_;
  connect(deviceList_, &ui::ReportView::mouseClicked, this, [&model] { model.SelectDevice(); });
  // The highlighted row is the device every command acts on, however it
  // was reached.
  connect(deviceList_, &ui::ReportView::keyboardSelected, this, [&model] { model.SelectDevice(); });
  deviceList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(deviceList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    DeviceContextMenu()->exec(deviceList_->viewport()->mapToGlobal(at));
  });
  connect(receiveDhcp_, &QComboBox::activated, this, [&model] { model.OnReceiveDhcpChanged(); });
  const std::pair<int, void (core::MainWindowModel::*)()> handlers[] = {
      {kRefresh, &core::MainWindowModel::RefreshDeviceList},   {kApply, &core::MainWindowModel::ApplyLanSettings},
      {kConnect, &core::MainWindowModel::ConnectShare},        {kDisconnect, &core::MainWindowModel::DisconnectDrive},
      {kConfiguration, &core::MainWindowModel::OpenWebConsole}, {kWidget, &core::MainWindowModel::LaunchWidget},
      {kLanguage, &core::MainWindowModel::InstallLanguage},    {kBitTorrent, &core::MainWindowModel::InstallBitTorrent}};
  for (const auto& [id, handler] : handlers) {
    connect(button(id), &QPushButton::clicked, this, [&model, handler] { (model.*handler)(); });
  }
  connect(button(kAbout), &QPushButton::clicked, this, &MainWindow::ShowAbout);
  connect(button(kExit), &QPushButton::clicked, this, [this] {
    model_.Exit();
    // Ends the run without a close request, so the network is stopped once.
    done(QDialog::Accepted);
  });

  model_.Start();
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::button(int id) const { return ui::Control<QPushButton>(*this, id); }

std::optional<std::size_t> MainWindow::SelectedDevice() const { return RowIndex(deviceList_); }
std::optional<std::size_t> MainWindow::SelectedShare() const { return RowIndex(shareList_); }

std::optional<std::size_t> MainWindow::SelectedLetter() const {
  if (driveLetters_->currentIndex() < 0) return std::nullopt;
  return static_cast<std::size_t>(driveLetters_->currentIndex());
}

std::optional<bool> MainWindow::DhcpChoice() const {
  if (receiveDhcp_->currentIndex() < 0) return std::nullopt;
  return receiveDhcp_->currentText() == QLatin1String(kEnable);
}

ui::AddressField* MainWindow::FieldWidget(core::FieldKind field) const {
  switch (field) {
    case core::FieldKind::Address: return address_;
    case core::FieldKind::Netmask: return netmask_;
    case core::FieldKind::Gateway: return gateway_;
  }
  return address_;
}

core::FieldOctets MainWindow::Field(core::FieldKind field) const { return FieldWidget(field)->Octets(); }

void MainWindow::ShowDevices(const std::vector<core::DeviceRow>& rows) {
  deviceList_->clear();
  for (const core::DeviceRow& row : rows) deviceList_->AddRow({row.name, row.address, row.netmask, row.gateway});
}

void MainWindow::ShowShares(const std::vector<core::ShareRow>& rows) {
  shareList_->clear();
  for (const core::ShareRow& row : rows) shareList_->AddRow({row.volumeName, row.location});
}

void MainWindow::ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) {
  driveLetters_->clear();
  for (const std::string& item : items) ui::AddListItem(*driveLetters_, QString::fromLocal8Bit(item.c_str()));
  driveLetters_->setCurrentIndex(current ? static_cast<int>(*current) : -1);
}

void MainWindow::ShowField(core::FieldKind field, const std::string& text) {
  if (text.empty()) {
    FieldWidget(field)->Clear();
  } else {
    FieldWidget(field)->SetText(QString::fromLocal8Bit(text.c_str()));
  }
}

void MainWindow::EnableFields(bool enabled) {
  for (ui::AddressField* field : {address_, gateway_, netmask_}) field->setEnabled(enabled);
}

void MainWindow::ShowDhcpChoice(bool enable) {
  receiveDhcp_->setCurrentIndex(receiveDhcp_->findText(QString::fromLatin1(enable ? kEnable : kDisable)));
}

void MainWindow::EnableCommand(WindowCommand command, bool enabled) { button(ButtonOf(command))->setEnabled(enabled); }

void MainWindow::FocusField(core::FieldKind field, int octet) { FieldWidget(field)->FocusOctet(octet); }

void MainWindow::FocusDeviceList() { deviceList_->setFocus(Qt::MouseFocusReason); }

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  prompts_.RunModal(about);
}

std::unique_ptr<QMenu> MainWindow::DeviceContextMenu() {
  model_.SelectHighlighted();
  auto menu = std::make_unique<QMenu>(this);
  for (const WindowCommand command : core::MainWindowModel::kContextMenu) {
    QPushButton* target = button(ButtonOf(command));
    QAction* action = menu->addAction(target->text());
    action->setObjectName(ui::ControlName(ButtonOf(command)));
    action->setEnabled(model_.enabled(command));
    connect(action, &QAction::triggered, target, &QPushButton::click);
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
  model_.CloseRequested();
  QDialog::closeEvent(event);
}

}  // namespace kfw::gui
