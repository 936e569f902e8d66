// The main window over simulated devices: discovery, the selection a click
// makes, refresh and the ways the run ends.

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

#include "test_bed.h"

namespace kfw::testing {
namespace {

using app::gui::MainWindow;
using Strings = std::vector<std::string>;

std::vector<std::string> Headers(QTreeWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->columnCount(); ++i) {
    out.push_back(list->headerItem()->text(i).toStdString() + " " +
                  std::to_string(list->columnWidth(i)));
  }
  return out;
}

TEST(MainWindowTest, FirstDiscoveryFillsTheListBeforeTheWindowIsShown) {
  TestBed bed;
  bed.drives.SetKind('C', platform::DriveKind::Fixed);
  bed.drives.Connect('Z', "\\\\nas-office\\Photos");
  MainWindow& window = bed.Build();

  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(bed.network.sent().empty());
  EXPECT_EQ(bed.network.sent().front().bytes.at(0), protocol::MSG_DISCOVER);
  EXPECT_EQ(bed.Column(window.deviceList(), 0),
            (std::vector<std::string>{"NAS-Office", "Media-Store", "Lab-Archive", "Studio-NAS"}));
  EXPECT_EQ(bed.Column(window.deviceList(), 3),
            (std::vector<std::string>{"192.168.1.1", "0.0.0.0", "172.16.0.1", "10.0.0.1"}));
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  EXPECT_EQ(window.selection().deviceSelected, 0);

  // The LAN panel waits for a click: blank, editable, no DHCP choice.
  EXPECT_EQ(window.receiveDhcp()->currentIndex(), -1);
  EXPECT_EQ(window.receiveDhcp()->count(), 2);
  EXPECT_EQ(window.receiveDhcp()->itemText(0), "Disable");
  EXPECT_EQ(window.receiveDhcp()->itemText(1), "Enable");
  for (ui::AddressField* field : {window.addressField(), window.netmaskField(), window.gatewayField()}) {
    EXPECT_TRUE(field->IsBlank());
    EXPECT_TRUE(field->isEnabled());
  }
  // The free letters, highest unconnected one chosen; Z: is offered with its share.
  ASSERT_GE(window.driveLetters()->count(), 2);
  EXPECT_EQ(window.driveLetters()->itemText(0), "Z: \\\\nas-office\\Photos");
  EXPECT_EQ(window.driveLetters()->currentText(), "Y:");

  EXPECT_EQ(window.windowTitle(), "Korvex Findway Utility");
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(Headers(window.deviceList()), (Strings{"Name 94", "IP 81", "Netmask 81", "Gateway 81"}));
  EXPECT_EQ(Headers(window.shareList()), (Strings{"Volume Name 120", "Location 100"}));
}

TEST(MainWindowTest, CommandsWithoutAPlaceInTheWindowStartHidden) {
  TestBed bed;
  MainWindow& window = bed.Open();
  for (const int id : {MainWindow::kLanguage, MainWindow::kBitTorrent, MainWindow::kWidget}) {
    EXPECT_FALSE(window.button(id)->isVisible()) << id;
  }
  for (const int id : {MainWindow::kRefresh, MainWindow::kConfiguration, MainWindow::kApply,
                       MainWindow::kConnect, MainWindow::kDisconnect, MainWindow::kAbout,
                       MainWindow::kExit}) {
    EXPECT_TRUE(window.button(id)->isVisible()) << id;
    EXPECT_TRUE(window.button(id)->isEnabled()) << id;
  }
  const ui::DialogUnits units(window.font());
  EXPECT_EQ(window.size(), QSize(units.X(285), units.Y(262)));
}

TEST(MainWindowTest, ClickOnAStaticDeviceFillsThePanelAndTheShares) {
  TestBed bed;
  bed.drives.Connect('M', "\\\\NAS-OFFICE\\photos");  // host and share in another letter case
  bed.drives.Connect('Y', "\\\\192.168.1.100\\HDD_1");
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");

  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.100");
  EXPECT_EQ(window.selection().selectedHost.str(), "192.168.1.100");
  EXPECT_EQ(window.selection().selectedModel, "KFW-2200");
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.100");
  EXPECT_EQ(window.netmaskField()->Text(), "255.255.255.0");
  EXPECT_EQ(window.gatewayField()->Text(), "192.168.1.1");
  EXPECT_EQ(window.receiveDhcp()->currentText(), "Disable");
  EXPECT_TRUE(window.addressField()->isEnabled());
  EXPECT_EQ(bed.Column(window.shareList(), 0), (std::vector<std::string>{"HDD_1", "Photos"}));
  EXPECT_EQ(bed.Column(window.shareList(), 1), (std::vector<std::string>{"Y:", "M:"}));
  EXPECT_EQ(bed.diagnostics.str(), "ssl=0\n");
  EXPECT_EQ(bed.client.sslValue.str(), "0");
}

TEST(MainWindowTest, ClickOnADhcpDeviceGreysTheFieldsAndBlanksANullGateway) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.57");

  EXPECT_EQ(window.receiveDhcp()->currentText(), "Enable");
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.57");
  EXPECT_TRUE(window.gatewayField()->IsBlank());
  for (ui::AddressField* field : {window.addressField(), window.netmaskField(), window.gatewayField()}) {
    EXPECT_FALSE(field->isEnabled());
  }
  // A static device after it makes them editable again.
  bed.Click("192.168.1.100");
  EXPECT_TRUE(window.gatewayField()->isEnabled());
  EXPECT_EQ(window.receiveDhcp()->currentText(), "Disable");
}

TEST(MainWindowTest, SubnetTestEnablesTheCommandsThatNeedAReachableDevice) {
  const std::vector<int> gated = {MainWindow::kConnect, MainWindow::kDisconnect,
                                  MainWindow::kConfiguration, MainWindow::kLanguage,
                                  MainWindow::kWidget};
  const std::vector<int> untouched = {MainWindow::kBitTorrent, MainWindow::kApply, MainWindow::kRefresh};
  struct Case {
    const char* address;
    bool reachable;
  };
  // Studio-NAS is only in the subnet of the second interface, which found
  // it; Edge-NAS's /25 leaves the workstation out by the last octet alone.
  const Case cases[] = {{"172.16.4.20", false}, {"192.168.1.100", true},
                        {"192.168.1.200", false}, {"10.0.0.30", true}};
  TestBed bed;
  bed.network.AddDevice(0, Device("Edge-NAS", "192.168.1.200", "255.255.255.128", "192.168.1.129"));
  MainWindow& window = bed.Open();
  for (const Case& c : cases) {
    bed.Click(c.address);
    for (const int id : gated) EXPECT_EQ(window.button(id)->isEnabled(), c.reachable) << c.address << " " << id;
    for (const int id : untouched) EXPECT_TRUE(window.button(id)->isEnabled()) << c.address << " " << id;
    // The context menu follows the buttons.
    const auto menu = window.DeviceContextMenu();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Language");
    EXPECT_EQ(actions[0]->isEnabled(), c.reachable);
    EXPECT_EQ(actions[1]->text(), "BitTorrent");
    EXPECT_TRUE(actions[1]->isEnabled());
    EXPECT_EQ(actions[2]->text(), "Widget");
    EXPECT_EQ(actions[2]->isEnabled(), c.reachable);
  }
}

TEST(MainWindowTest, KeyboardSelectionChangesNothing) {
  TestBed bed;
  MainWindow& window = bed.Open();
  window.activateWindow();
  window.deviceList()->setFocus();
  QTest::keyClick(window.deviceList(), Qt::Key_Down);
  QTest::keyClick(window.deviceList(), Qt::Key_Down);
  ASSERT_NE(window.deviceList()->SelectedRow(), nullptr);
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_TRUE(window.addressField()->IsBlank());
  EXPECT_EQ(window.receiveDhcp()->currentIndex(), -1);

  bed.Click("192.168.1.100");
  const std::size_t sent = bed.network.sent().size();
  QTest::keyClick(window.deviceList(), Qt::Key_Down);
  EXPECT_EQ(ui::ReportView::CellText(window.deviceList()->SelectedRow(), 1), "192.168.1.57");
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.100");
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.100");
  EXPECT_EQ(window.receiveDhcp()->currentText(), "Disable");
  EXPECT_EQ(bed.network.sent().size(), sent);
}

TEST(MainWindowTest, ClickBelowTheRowsSelectsNoDeviceButCountsAsAClick) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  const std::size_t sent = bed.network.sent().size();
  window.selection().deviceSelected = 0;

  bed.ClickBelowRows();
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(window.deviceList()->SelectedRow(), nullptr);
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.100");
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.100");
  EXPECT_EQ(bed.network.sent().size(), sent);
}

TEST(MainWindowTest, RefreshEmptiesBothListsAndTheFieldsButLeavesTheCombo) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.57");
  ASSERT_GT(window.shareList()->topLevelItemCount(), 0);
  bed.network.AddDevice(1, Device("Late-NAS", "10.0.0.31", "255.255.255.0", "10.0.0.1"));
  bed.network.ClearSent();

  QTest::mouseClick(window.button(MainWindow::kRefresh), Qt::LeftButton);
  EXPECT_EQ(bed.network.sent().front().bytes.at(0), protocol::MSG_DISCOVER);
  EXPECT_EQ(window.deviceList()->topLevelItemCount(), 5);
  EXPECT_EQ(window.deviceList()->SelectedRow(), nullptr);
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  for (ui::AddressField* field : {window.addressField(), window.netmaskField(), window.gatewayField()}) {
    EXPECT_TRUE(field->IsBlank());
    EXPECT_FALSE(field->isEnabled());  // enabling stays as the last click left it
  }
  EXPECT_EQ(window.receiveDhcp()->currentText(), "Enable");
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.57");
  EXPECT_TRUE(window.button(MainWindow::kRefresh)->isEnabled());
}

TEST(MainWindowTest, ReceiveDhcpChoiceGreysTheFieldsWithoutClearingThem) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  QComboBox* combo = window.receiveDhcp();
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_EQ(combo->currentText(), "Enable");
  EXPECT_FALSE(window.addressField()->isEnabled());
  EXPECT_FALSE(window.gatewayField()->isEnabled());
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.100");
  QTest::keyClick(combo, Qt::Key_Up);
  EXPECT_TRUE(window.addressField()->isEnabled());
  EXPECT_TRUE(window.netmaskField()->isEnabled());
}

TEST(MainWindowTest, ExitFreesTheDeviceListBeforeTheSocketsClose) {
  TestBed bed;
  MainWindow& window = bed.Open();
  int devicesAtFirstClose = -1;
  bed.network.OnClose([&] {
    if (devicesAtFirstClose < 0) devicesAtFirstClose = bed.client.deviceList.count();
  });
  QTest::mouseClick(window.button(MainWindow::kExit), Qt::LeftButton);
  EXPECT_EQ(devicesAtFirstClose, 0);
  EXPECT_EQ(bed.network.openSockets(), 0);
  EXPECT_EQ(bed.network.stopCount(), 1);
  EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowTest, CloseRequestStopsTheNetworkAndKeepsTheDeviceList) {
  TestBed bed;
  MainWindow& window = bed.Open();
  EXPECT_TRUE(window.close());
  EXPECT_EQ(bed.network.openSockets(), 0);
  EXPECT_EQ(bed.network.stopCount(), 1);
  EXPECT_EQ(bed.client.deviceList.count(), 4);
  EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowTest, EnterAndEscapeEndTheRunWithoutShutdownSteps) {
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    TestBed bed;
    MainWindow& window = bed.Open();
    const int open = bed.network.openSockets();
    window.deviceList()->setFocus();
    QTest::keyClick(window.deviceList(), key);
    EXPECT_FALSE(window.isVisible()) << key;
    EXPECT_EQ(bed.network.openSockets(), open) << key;
    EXPECT_EQ(bed.network.stopCount(), 0) << key;
    EXPECT_EQ(bed.client.deviceList.count(), 4) << key;
  }
}

TEST(MainWindowTest, EnterOnAFocusedButtonPressesIt) {
  TestBed bed;
  MainWindow& window = bed.Open();
  QStringList aboutLines;
  QSize aboutSize;
  bed.prompts.onDialog = [&](QDialog& dialog) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) aboutLines << label->text();
    }
    aboutSize = dialog.size() - QSize(ui::DialogUnits(dialog.font()).X(201),
                                      ui::DialogUnits(dialog.font()).Y(59));
    QTest::keyClick(&dialog, Qt::Key_Return);  // its OK is the default button
    EXPECT_FALSE(dialog.isVisible());
  };
  QPushButton* about = window.button(MainWindow::kAbout);
  about->setFocus();
  QTest::keyClick(about, Qt::Key_Return);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(bed.prompts.dialogs, std::vector<QString>{"Korvex Findway Utility"});
  EXPECT_EQ(aboutLines, (QStringList{"Korvex Findway Utility", "Copyright (C) 2026 Korvex",
                                     "Version : 4.9.0.1"}));
  EXPECT_EQ(aboutSize, QSize(0, 0));
}

TEST(MainWindowTest, CommandButtonsRunTheirBoundHandlerOrSayTheyAreUnavailable) {
  TestBed bed;
  MainWindow& window = bed.Open();
  int widgetRuns = 0;
  window.BindCommand(MainWindow::kWidget, [&] { ++widgetRuns; });

  window.DeviceContextMenu()->actions().at(2)->trigger();  // Widget
  EXPECT_EQ(widgetRuns, 1);
  EXPECT_TRUE(bed.prompts.messages.empty());

  window.DeviceContextMenu()->actions().at(0)->trigger();  // Language, not bound
  ASSERT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_EQ(bed.prompts.messages[0].icon, app::MessageIcon::None);
  EXPECT_EQ(bed.prompts.messages[0].caption, "");

  // A disabled command does not run from the menu either.
  bed.Click("172.16.4.20");
  window.DeviceContextMenu()->actions().at(2)->trigger();
  EXPECT_EQ(widgetRuns, 1);
}

TEST(MainWindowTest, AccessibleNamesAndTabOrder) {
  TestBed bed;
  MainWindow& window = bed.Open();
  EXPECT_EQ(window.deviceList()->accessibleName(), "Network Storage Device");
  EXPECT_EQ(window.shareList()->accessibleName(), "Drive Mapping");
  EXPECT_EQ(window.addressField()->accessibleName(), "IP");
  EXPECT_EQ(window.addressField()->OctetEdit(2)->accessibleName(), "IP octet 3");
  EXPECT_EQ(window.netmaskField()->accessibleName(), "Netmask");
  EXPECT_EQ(window.gatewayField()->accessibleName(), "Gateway");
  EXPECT_EQ(window.receiveDhcp()->accessibleName(), "Receive DHCP");
  EXPECT_EQ(window.driveLetters()->accessibleName(), "Available Drive Letters");

  // Tab visits every control once, in the window's reading order; an
  // address field is one stop.
  auto stopName = [&window] {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return QString("none");
    for (ui::AddressField* field : {window.addressField(), window.netmaskField(), window.gatewayField()}) {
      if (field->isAncestorOf(focus)) return field->objectName() + "/" + focus->objectName();
    }
    return focus->objectName();
  };
  window.deviceList()->setFocus(Qt::TabFocusReason);
  std::vector<QString> visited{stopName()};
  for (int i = 0; i < 14; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(stopName());
  }
  EXPECT_EQ(visited, (std::vector<QString>{"id1000", "id1002", "id1008", "id1006/octet0",
                                           "id1010/octet0", "id1011/octet0", "id1015", "id1007",
                                           "id1001", "id1013", "id1003", "id1004", "id1021",
                                           "id1009", "id1000"}));
  // Backwards out of the middle of an address field.
  window.netmaskField()->FocusOctet(2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(stopName(), "id1006/octet0");
}

}  // namespace
}  // namespace kfw::testing
