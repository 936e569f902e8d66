// The Login dialog and the Apply command against simulated devices.

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

// The administrator mode is seen from the Apply command below.
TEST(LoginDialogTest, ShareAccessModeLengthLimitAndWhatOkAndCancelHandOver) {
  TestBed bed;
  bed.client.adminPassword = "before";
  core::loginMode = 0;
  bed.system.report = {platform::PlatformFamily::Windows9x, 4, 10, 2222};  // 98 SE locks the logon name
  LoginDialog locked(bed.client, bed.system);
  locked.show();
  EXPECT_EQ(locked.userNameEdit()->text(), "alice");
  EXPECT_FALSE(locked.userNameEdit()->isEnabled());
  QTest::keyClicks(locked.passwordEdit(), "typed");
  PressButton(locked, LoginDialog::kCancel);
  EXPECT_FALSE(locked.isVisible());
  EXPECT_EQ(bed.client.adminUser.str() + bed.client.adminPassword.str(), "before");

  bed.system.report = {platform::PlatformFamily::WindowsNT, 5, 1, 2600};  // XP leaves it to the user
  LoginDialog dialog(bed.client, bed.system);
  dialog.show();
  QTest::keyClicks(dialog.userNameEdit(), "abcdefghijklmnopq");
  QTest::keyClicks(dialog.passwordEdit(), "0123456789ABCDEFG");
  EXPECT_EQ(dialog.userNameEdit()->text(), "abcdefghijklmnop");
  EXPECT_EQ(dialog.passwordEdit()->text(), "0123456789ABCDEF");
  QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);  // presses OK
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);  // OK and Cancel close alike
  EXPECT_EQ(bed.client.adminUser.str(), "abcdefghijklmnop");
  EXPECT_EQ(bed.client.adminPassword.str(), "0123456789ABCDEF");
}

TEST(ApplyTest, WithoutAClickAsksForADeviceEvenWithFilledFields) {
  TestBed bed;
  MainWindow& window = bed.Open();
  Type(window.addressField(), "192.168.1.150");
  core::loginMode = 0;
  bed.network.ClearSent();
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(), Strings{"Error (stop): Please select a device in the above section."});
  EXPECT_EQ(core::loginMode, 1);  // set on every press

  // A click below the rows counts, but without a DHCP choice Apply does nothing.
  bed.ClickBelowRows();
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_TRUE(bed.network.sent().empty());
}

// The window's own runner: the logins wait on another thread while the
// dialog between them runs on the window's.
TEST(ApplyTest, StaticAddressNeedsTheAdministratorPassword) {
  struct Case {
    const char* address;
    const char* typed;  // in the Login dialog; nullptr: no dialog
    int button;
    const char* next;  // the device's address afterwards
  };
  const Case cases[] = {
      {"192.168.1.100", nullptr, 0, "192.168.1.150"},  // the empty password passes
      {"192.168.1.90", "wrong", LoginDialog::kOk, "192.168.1.90"},
      {"192.168.1.90", "secret", LoginDialog::kCancel, "192.168.1.90"},
      {"192.168.1.90", "secret", LoginDialog::kOk, "192.168.1.150"},
  };
  for (const Case& c : cases) {
    TestBed bed;
    auto guardedConfig = Device("Guarded", "192.168.1.90");
    guardedConfig.adminPassword = "secret";
    sim::SimDevice& guarded = bed.network.AddDevice(0, guardedConfig);
    const sim::SimDevice& device = c.typed ? guarded : *bed.office;
    ui::ThreadedBusyRunner threaded;
    MainWindow& window = bed.Open(&threaded);
    bed.Click(c.address);
    Type(window.addressField(), "192.168.1.150");
    QThread* dialogThread = nullptr;
    bed.prompts.onDialog = [&](QDialog& dialog) {
      dialogThread = QThread::currentThread();
      auto& login = dynamic_cast<LoginDialog&>(dialog);
      EXPECT_EQ(login.userNameEdit()->text(), "admin");  // fixed for the administrator
      EXPECT_FALSE(login.userNameEdit()->isEnabled());
      QTest::keyClicks(login.passwordEdit(), c.typed);
      PressButton(dialog, c.button);
    };
    bed.Press(MainWindow::kApply);

    EXPECT_EQ(bed.prompts.dialogs, c.typed ? std::vector<QString>{"Login"} : std::vector<QString>{});
    EXPECT_EQ(dialogThread, c.typed ? window.thread() : nullptr);
    EXPECT_EQ(TestBed::Requests(device, protocol::MSG_QUERY, protocol::QUERY_ADMIN_LOGIN), c.typed ? 2 : 1)
        << c.typed;
    EXPECT_EQ(device.address(), c.next) << c.typed;
    if (std::string(c.next) == c.address) {
      EXPECT_EQ(bed.Messages(), Strings{"Error (stop): Wrong administrator password input!"}) << c.typed;
      EXPECT_EQ(TestBed::Requests(device, protocol::MSG_SET, protocol::SET_STATIC_ADDRESS), 0);
      EXPECT_EQ(window.addressField()->Text(), "192.168.1.150");  // left as typed
      continue;
    }
    EXPECT_TRUE(bed.prompts.messages.empty()) << c.typed;
    // The panel is emptied and the list rediscovered.
    EXPECT_EQ(bed.Panel(), "- - - Disable");
    EXPECT_EQ(bed.RowOf(c.address), -1);
    EXPECT_NE(bed.RowOf("192.168.1.150"), -1);
    EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
  }
}

TEST(ApplyTest, EnableIgnoresTheTypedFieldsAndRediscoversTheDeviceOrReportsItsSilence) {
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
  window.addressField()->setEnabled(true);
  Type(window.addressField(), "127.0.0.1");  // would be refused on the static path
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(), Strings{"Confirm (information): DHCP client enabled."});
  EXPECT_EQ(bed.office->address(), "192.168.1.77");
  EXPECT_EQ(window.selection().deviceSelected, 0);
  EXPECT_EQ(bed.Panel(), "- - - Enable");
  EXPECT_EQ(bed.RowOf("192.168.1.100"), -1);
  EXPECT_NE(bed.RowOf("192.168.1.77"), -1);

  // A device that never confirms from its new address.
  bed.Click("192.168.1.95");
  bed.Press(MainWindow::kApply);
  EXPECT_EQ(bed.Messages(),
            (Strings{"Confirm (information): DHCP client enabled.", "Error (stop): Set to dhcp client fail."}));
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(bed.Panel(), "[192.168.1.95] [255.255.255.0] [192.168.1.1] Enable");
}

TEST(ApplyTest, RefusedStaticSettingsLeaveThePanelAsTypedAndSendNothing) {
  struct Case {
    std::array<const char*, 3> typed;  // address, netmask, gateway
    const char* message;
    int focus;         // the field whose first octet takes the focus
    const char* kept;  // "newAddress/newNetmask" the client holds afterwards
  };
  const Case cases[] = {
      {{"0.1.2.3", "255.255.255.0", ""},
       "Error (information): Invalid IP address in 1st digit. It should be 1-223.", 0, "/"},
      {{"192.168.1.10", "255.0.255.0", "192.168.1.1"},
       "Error (stop): Netmask address input invalid. Please try again.", 1, "192.168.1.10/255.0.255.0"},
      {{"192.168.1.10", "255.255.255.0", "192.168.2.1"},
       "Error (stop): You enter incorrect TCP/IP configuration. Please try again.", 2,
       "192.168.1.10/255.255.255.0"},
  };
  for (const Case& c : cases) {
    TestBed bed;
    bed.Open();
    bed.Click("192.168.1.100");
    const auto fields = bed.Fields();
    for (std::size_t i = 0; i < 3; ++i) Type(fields[i], c.typed[i]);
    bed.network.ClearSent();
    bed.Press(MainWindow::kApply);

    EXPECT_EQ(bed.Messages(), Strings{c.message}) << c.typed[0];
    EXPECT_EQ(QApplication::focusWidget(), fields.at(c.focus)->OctetEdit(0)) << c.typed[0];
    EXPECT_TRUE(bed.network.sent().empty()) << c.typed[0];
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(fields[i]->Text(), c.typed[i]);
    EXPECT_EQ(bed.client.newAddress.str() + "/" + bed.client.newNetmask.str(), c.kept) << c.typed[0];
  }
}

}  // namespace
}  // namespace kfw::testing
