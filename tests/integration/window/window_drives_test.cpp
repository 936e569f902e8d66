// Connect and Disconnect pressed in the real window, offscreen, over the
// real management client and GVfs, against a simulated device's smbd.

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/main_window.h"
#include "platform/linux/linux_network_drives.h"
#include "platform/linux/linux_system_info.h"
#include "tests/integration/private_session.h"
#include "tests/integration/test_bed.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "ui/busy.h"
#include "ui/prompts.h"
#include "ui/report_view.h"

namespace kfw::integration {
namespace {

const BedSetup kWindowBed{"kfwg", 1, "--smb", {{1, "[device]\nname = Depot\naddress = 10.201.1.41\n"
                                                   "netmask = 255.255.0.0\nshares = HDD_1:Media\n"}}};

using WindowDrives = OnSessionBed<kWindowBed>;

std::string LastMessage(const ui::ScriptedPrompts& prompts) {
  return prompts.messages.empty() ? "" : prompts.messages.back().text;
}

TEST_F(WindowDrives, ConnectAndDisconnectTheSelectedShare) {
  static int argc = 1;
  static char name[] = "kfw_integration_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  Workstation ws;
  ASSERT_TRUE(ws.started);
  platform::LinuxNetworkDrives drives(session_->config + "/network-drives");
  platform::LinuxSystemInfo system;
  ui::ScriptedPrompts prompts;
  ui::ThreadedBusyRunner busy;
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  gui::MainWindow window(
      {ws.client, drives, system, programs, browser, reachability, ws.clock, files, session_->config + "/ip.txt"},
      prompts, busy);
  window.show();

  ui::ReportView* devices = window.deviceList();
  ASSERT_EQ(devices->topLevelItemCount(), 1);
  QTest::mouseClick(devices->viewport(), Qt::LeftButton, {},
                    devices->visualItemRect(devices->topLevelItem(0)).center());
  ui::ReportView* shares = window.shareList();
  ASSERT_EQ(shares->topLevelItemCount(), 2);
  shares->setCurrentItem(shares->topLevelItem(1));  // Media
  const std::string letter = window.driveLetters()->currentText().toStdString();

  window.button(gui::MainWindow::kConnect)->click();
  ASSERT_EQ(LastMessage(prompts), "Successfully mapped drive.");
  EXPECT_EQ(ui::ReportView::CellText(shares->topLevelItem(1), 1), letter);
  std::string remote;
  ASSERT_TRUE(drives.RemoteName(letter, remote));
  EXPECT_EQ(remote, "\\\\Depot\\Media");
  const std::string table = Slurp(session_->config + "/network-drives");
  const std::string folder = table.substr(table.rfind('\t') + 1, table.rfind('\n') - table.rfind('\t') - 1);
  EXPECT_TRUE(fs::exists(fs::path(folder) / "README.txt")) << folder;

  shares->setCurrentItem(shares->topLevelItem(1));
  window.button(gui::MainWindow::kDisconnect)->click();
  EXPECT_EQ(LastMessage(prompts), "Successfully unmapped drive.");
  EXPECT_EQ(ui::ReportView::CellText(shares->topLevelItem(1), 1), "");
  EXPECT_FALSE(drives.RemoteName(letter, remote));
  EXPECT_TRUE(Eventually([&] { return !fs::exists(folder); }));
}

}  // namespace
}  // namespace kfw::integration
