// The Login dialog, and what the window adds to the Apply command: the
// fields it reads, the dialog on the window's thread, the focus on a
// refusal, the panel and the list afterwards.

#include <QThread>
#include <gtest/gtest.h>

#include "gui/login_dialog.h"
#include "test_bed.h"

namespace kfw::testing {
namespace {

using gui::LoginDialog;

void PressButton(QDialog& dialog, int id) {
  QTest::mouseClick(ui::Control<QPushButton>(dialog, id), Qt::LeftButton);
}

TEST(LoginDialogTest, FixedOrFreeUserLengthLimitAndWhatOkAndCancelHandOver) {
  LoginDialog locked({core::LoginMode::ShareAccess, "alice"});
  locked.show();
  EXPECT_EQ(locked.userNameEdit()->text(), "alice");
  EXPECT_FALSE(locked.userNameEdit()->isEnabled());
  EXPECT_EQ(locked.focusWidget(), locked.passwordEdit());
  QTest::keyClicks(locked.passwordEdit(), "typed");
  PressButton(locked, LoginDialog::kCancel);
  EXPECT_FALSE(locked.isVisible());
  EXPECT_FALSE(locked.answer());

  LoginDialog dialog({core::LoginMode::ShareAccess, std::nullopt});
  dialog.show();
  EXPECT_TRUE(dialog.userNameEdit()->isEnabled());
  QTest::keyClicks(dialog.userNameEdit(), "abcdefghijklmnopq");
  QTest::keyClicks(dialog.passwordEdit(), "0123456789ABCDEFG");
  QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);  // presses OK
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);  // OK and Cancel close alike
  ASSERT_TRUE(dialog.answer());
  EXPECT_EQ(dialog.answer()->user, "abcdefghijklmnop");
  EXPECT_EQ(dialog.answer()->password, "0123456789ABCDEF");
}

// The window's own runner: the logins wait on another thread while the
// dialog between them runs on the window's.
TEST(ApplyTest, StaticAddressThroughTheWindow) {
  TestBed bed;
  auto guardedConfig = Device("Guarded", "192.168.1.90");
  guardedConfig.adminPassword = "secret";
  const sim::SimDevice& guarded = bed.network.AddDevice(0, guardedConfig);
  ui::ThreadedBusyRunner threaded;
  MainWindow& window = bed.Open(&threaded);

  // Without a click, filled fields are not enough.
  Type(window.addressField(), "192.168.1.150");
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(), Strings{"Error (stop): Please select a device in the above section."});
  bed.prompts.messages.clear();

  // A refusal leaves the panel as typed and puts the focus on the field.
  bed.Click("192.168.1.90");
  Type(window.addressField(), "192.168.1.150");
  Type(window.gatewayField(), "192.168.2.1");
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(), Strings{"Error (stop): You enter incorrect TCP/IP configuration. Please try again."});
  EXPECT_EQ(QApplication::focusWidget(), window.gatewayField()->OctetEdit(0));
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.150");
  bed.prompts.messages.clear();

  Type(window.gatewayField(), "192.168.1.1");
  QThread* dialogThread = nullptr;
  bed.prompts.onDialog = [&](QDialog& dialog) {
    dialogThread = QThread::currentThread();
    QTest::keyClicks(dynamic_cast<LoginDialog&>(dialog).passwordEdit(), "secret");
    PressButton(dialog, LoginDialog::kOk);
  };
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.prompts.dialogs, std::vector<QString>{"Login"});
  EXPECT_EQ(dialogThread, window.thread());
  EXPECT_TRUE(bed.prompts.messages.empty());
  EXPECT_EQ(guarded.address(), "192.168.1.150");
  // The panel is emptied and the list rediscovered.
  EXPECT_EQ(bed.Panel(), "- - - Disable");
  EXPECT_EQ(bed.RowOf("192.168.1.90"), -1);
  EXPECT_NE(bed.RowOf("192.168.1.150"), -1);
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  EXPECT_EQ(window.selection().deviceSelected, 1);
}

TEST(ApplyTest, EnableFromTheComboEmptiesThePanelAndClearsTheSelection) {
  TestBed bed;
  auto mute = Device("Mute", "192.168.1.95", "255.255.255.0", "192.168.1.1", true);
  mute.ignoreItems = {protocol::SET_DHCP_CLIENT};
  bed.network.AddDevice(0, mute);
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  QComboBox* combo = window.receiveDhcp();
  combo->setFocus();
  // The choice greys the fields without clearing them.
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(bed.Panel(), "[192.168.1.100] [255.255.255.0] [192.168.1.1] Enable");
  QTest::keyClick(combo, Qt::Key_Up);
  EXPECT_EQ(bed.Panel(), "192.168.1.100 255.255.255.0 192.168.1.1 Disable");
  QTest::keyClick(combo, Qt::Key_Down);
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(), Strings{"Confirm (information): DHCP client enabled."});
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_EQ(bed.Panel(), "- - - Enable");
  EXPECT_NE(bed.RowOf("192.168.1.77"), -1);

  // A device that never confirms keeps the panel and the selection.
  bed.Click("192.168.1.95");
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages().back(), "Error (stop): Set to dhcp client fail.");
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(bed.Panel(), "[192.168.1.95] [255.255.255.0] [192.168.1.1] Enable");
}

}  // namespace
}  // namespace kfw::testing
