// The main window over simulated devices: discovery, the selection a click
// makes, refresh and the ways the run ends.

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <gtest/gtest.h>

#include "test_bed.h"

namespace kfw::testing {
namespace {

TEST(MainWindowTest, AClickOrAKeyOnARowSelectsADevice) {
  TestBed bed;
  bed.drives.Connect('M', "\\\\NAS-OFFICE\\photos");  // host and share in another letter case
  bed.drives.Connect('Y', "\\\\192.168.1.100\\HDD_1");
  MainWindow& window = bed.Open();
  ui::ReportView* list = window.deviceList();
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);  // from the first row, which has the focus
  EXPECT_EQ(bed.Panel(), "[192.168.1.57] [255.255.255.0] [-] Enable");
  EXPECT_EQ(window.selection().deviceAddress.str(), "192.168.1.57");
  bed.Click("192.168.1.100");
  EXPECT_EQ(bed.Panel(), "192.168.1.100 255.255.255.0 192.168.1.1 Disable");
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(window.selection().deviceAddress.str(), "192.168.1.100");
  EXPECT_EQ(TestBed::Column(window.shareList(), 0), (Strings{"HDD_1", "Photos"}));
  EXPECT_EQ(TestBed::Column(window.shareList(), 1), (Strings{"Y:", "M:"}));

  // A held arrow asks only the device where it stops.
  const auto repeat = [&](QEvent::Type type) {
    QKeyEvent event(type, Qt::Key_Down, Qt::NoModifier, QString(), /*autorep=*/true);
    QApplication::sendEvent(list, &event);
  };
  std::size_t sent = bed.network.sent().size();
  repeat(QEvent::KeyPress);
  repeat(QEvent::KeyRelease);
  repeat(QEvent::KeyPress);
  EXPECT_EQ(bed.network.sent().size(), sent);
  QTest::keyRelease(list, Qt::Key_Down);
  EXPECT_EQ(bed.Panel(), "172.16.4.20 255.255.0.0 172.16.0.1 Disable");
  EXPECT_EQ(window.selection().deviceAddress.str(), "172.16.4.20");
  EXPECT_GT(bed.network.sent().size(), sent);

  // A click below the rows selects none, yet counts as a click.
  sent = bed.network.sent().size();
  window.selection().deviceSelected = 0;
  bed.ClickList(QPoint(10, list->viewport()->height() - 3));
  EXPECT_EQ(list->SelectedRow(), nullptr);
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(bed.Panel(), "172.16.4.20 255.255.0.0 172.16.0.1 Disable");
  EXPECT_EQ(bed.network.sent().size(), sent);
}

TEST(MainWindowTest, TheClickAfterADoubleClickStillSelects) {
  TestBed bed;
  auto quiet = Device("Quiet-NAS", "192.168.1.58");
  quiet.ignoreItems = {protocol::QUERY_SSL};
  bed.network.AddDevice(0, quiet);
  MainWindow& window = bed.Open();
  QWidget* viewport = window.deviceList()->viewport();
  // What a window system delivers: press, release, double click, release.
  const auto doubleClick = [&](QPoint first, QPoint second) {
    QTest::mousePress(viewport, Qt::LeftButton, {}, first);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, first);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, second);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, second);
  };
  const auto selected = [&] {
    return window.selection().deviceAddress.str() + " " + bed.Panel() + " " +
           std::to_string(window.shareList()->topLevelItemCount());
  };
  const QPoint below(10, viewport->height() - 3);

  bed.Click("192.168.1.100");
  doubleClick(below, below);
  bed.Click("10.0.0.30");
  EXPECT_EQ(selected(), "10.0.0.30 10.0.0.30 255.255.255.0 10.0.0.1 Disable 1");
  doubleClick(bed.RowCenter("192.168.1.100"), bed.RowCenter("192.168.1.100"));
  EXPECT_EQ(selected(), "192.168.1.100 192.168.1.100 255.255.255.0 192.168.1.1 Disable 2");
  bed.Click("192.168.1.57");
  EXPECT_EQ(selected(), "192.168.1.57 [192.168.1.57] [255.255.255.0] [-] Enable 1");
  // A second press that lands on another row is a click on that row.
  doubleClick(bed.RowCenter("192.168.1.100"), bed.RowCenter("10.0.0.30"));
  EXPECT_EQ(selected(), "10.0.0.30 10.0.0.30 255.255.255.0 10.0.0.1 Disable 1");
  EXPECT_EQ(ui::ReportView::CellText(window.deviceList()->SelectedRow(), 1), "10.0.0.30");
  // One selection per click, never one for the second press of a double click.
  const std::string ssl = bed.diagnostics.str();
  EXPECT_EQ(std::count(ssl.begin(), ssl.end(), '\n'), 6);
  // The last device's secure-console answer never outlives a click.
  window.selection().sslValue = "1";
  bed.Click("192.168.1.58");
  EXPECT_EQ(window.selection().sslValue, "");
}

TEST(MainWindowTest, TheModelsEnabledCommandsReachTheButtonsAndTheContextMenu) {
  using enum forms::main_window::Id;
  TestBed bed;
  MainWindow& window = bed.Open();
  // Lab-Archive is outside the subnet of the interface that found it.
  for (const auto& [address, reachable] :
       std::vector<std::pair<std::string, bool>>{{"172.16.4.20", false}, {"192.168.1.100", true}}) {
    bed.Click(address);
    std::string enabled;
    for (const int id : {kConnect, kDisconnect, kConfiguration, kLanguage, kWidget, kBitTorrent, kApply}) {
      enabled += window.button(id)->isEnabled() ? '1' : '0';
    }
    EXPECT_EQ(enabled, reachable ? "1111111" : "0000011") << address;
    // A disabled Widget does not run from the menu either.
    const auto menu = window.DeviceContextMenu();
    std::string items;
    for (const QAction* a : menu->actions()) items += a->text().toStdString() + (a->isEnabled() ? '+' : '-');
    EXPECT_EQ(items, reachable ? "Language+BitTorrent+Widget+" : "Language-BitTorrent+Widget-");
    menu->actions().at(2)->trigger();
  }
  // The one Widget run asks about the engine, then for the unknown model.
  EXPECT_EQ(bed.prompts.dialogs.size(), 2u);

  // The right button highlights a row; its menu is for that device.
  QTest::mousePress(window.deviceList()->viewport(), Qt::RightButton, {}, bed.RowCenter("172.16.4.20"));
  QTest::mouseRelease(window.deviceList()->viewport(), Qt::RightButton, {}, bed.RowCenter("172.16.4.20"));
  EXPECT_FALSE(window.DeviceContextMenu()->actions().at(0)->isEnabled());
  EXPECT_EQ(window.selection().deviceAddress.str(), "172.16.4.20");
}

TEST(MainWindowTest, DiscoveryOnStartAndOnRefresh) {
  TestBed bed;
  bed.drives.Connect('Z', "\\\\nas-office\\Photos");
  MainWindow& window = bed.Open(nullptr, /*show=*/false);  // the list is filled before the window shows
  EXPECT_EQ(TestBed::Column(window.deviceList(), 0),
            (Strings{"NAS-Office", "Media-Store", "Lab-Archive", "Studio-NAS"}));
  EXPECT_EQ(bed.Panel(), "- - - none");  // waits for a click
  EXPECT_EQ(window.driveLetters()->currentText(), "Y:");  // the highest letter without a connection

  // Refresh empties both lists and the fields, but leaves the combo.
  window.show();
  bed.Click("192.168.1.57");
  ASSERT_GT(window.shareList()->topLevelItemCount(), 0);
  bed.network.AddDevice(1, Device("Late-NAS", "10.0.0.31", "255.255.255.0", "10.0.0.1"));
  bed.Press(MainWindow::kRefresh);
  EXPECT_EQ(window.deviceList()->topLevelItemCount(), 5);
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  EXPECT_EQ(bed.Panel(), "[-] [-] [-] Enable");  // enabling stays as the last click left it
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_TRUE(window.button(MainWindow::kRefresh)->isEnabled());
}

TEST(MainWindowTest, EachWayToEndTheRun) {
  // Exit frees the device list before the sockets close; a close request
  // stops the network and keeps the list; Escape and Enter do neither.
  constexpr int kExit = 0, kCloseRequest = 1;  // the others are keys
  for (const int way : {kExit, kCloseRequest, +Qt::Key_Escape, +Qt::Key_Return, +Qt::Key_Enter}) {
    int devicesAtClose = -1;  // outlives the bed, whose end may close sockets
    TestBed bed;
    MainWindow& window = bed.Open();
    bed.network.OnClose([&] {
      if (devicesAtClose < 0) devicesAtClose = bed.client.deviceList().count();
    });
    if (way == kExit) bed.Press(MainWindow::kExit);
    if (way == kCloseRequest) {
      EXPECT_TRUE(window.close());
    }
    if (way > kCloseRequest) QTest::keyClick(window.deviceList(), Qt::Key(way));
    const bool stops = way <= kCloseRequest;
    EXPECT_FALSE(window.isVisible()) << way;
    EXPECT_EQ(bed.network.stopCount(), stops ? 1 : 0) << way;
    EXPECT_EQ(devicesAtClose, way == kExit ? 0 : stops ? 4 : -1) << way;
    EXPECT_EQ(bed.client.deviceList().count(), way == kExit ? 0 : 4) << way;
  }
}

TEST(MainWindowTest, TabOrderAndEnterOnAButton) {
  TestBed bed;
  MainWindow& window = bed.Open();
  // Tab visits every control once, in the window's reading order; an
  // address field is one stop.
  const auto stopName = [] {
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return QString("none");
    const auto* field = qobject_cast<const ui::AddressField*>(focus->parentWidget());
    return field ? field->objectName() + "/" + focus->objectName() : focus->objectName();
  };
  window.deviceList()->setFocus(Qt::TabFocusReason);
  QStringList visited{stopName()};
  for (int i = 0; i < 14; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << stopName();
  }
  EXPECT_EQ(visited.join(' '), "id1000 id1002 id1008 id1006/octet0 id1010/octet0 id1011/octet0 id1015 id1007 "
                               "id1001 id1013 id1003 id1004 id1021 id1009 id1000");
  // Backwards out of the middle of an address field.
  window.netmaskField()->FocusOctet(2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(stopName(), "id1006/octet0");

  // Enter on a focused button presses it rather than ending the run.
  window.button(MainWindow::kAbout)->setFocus();
  QTest::keyClick(window.button(MainWindow::kAbout), Qt::Key_Return);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(bed.prompts.dialogs, std::vector<QString>{"Korvex Findway Utility"});
}

}  // namespace
}  // namespace kfw::testing
