// The Login dialog and the Apply command against simulated devices.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

#include "app/gui/login_dialog.h"
#include "test_bed.h"

namespace kfw::testing {
namespace {

using app::MessageIcon;
using app::gui::LoginDialog;
using app::gui::MainWindow;

// --- Login dialog --------------------------------------------------------

struct LoginBed {
  platform::FakeClock clock;
  sim::SimulatedNetwork network{clock};
  protocol::ManagementClient client{network, clock};
  FakeSystemInfo system;
};

TEST(LoginDialogTest, AdministratorModeOffersAdminAndAnEmptyPassword) {
  LoginBed bed;
  app::loginMode = 1;
  LoginDialog dialog(bed.client, bed.system);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Login");
  EXPECT_EQ(dialog.userNameEdit()->text(), "admin");
  EXPECT_FALSE(dialog.userNameEdit()->isEnabled());
  EXPECT_EQ(dialog.passwordEdit()->text(), "");
  EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
  const ui::DialogUnits units(dialog.font());
  EXPECT_EQ(dialog.size(), QSize(units.X(199), units.Y(75)));
  EXPECT_EQ(dialog.userNameEdit()->accessibleName(), "User name");
  EXPECT_EQ(dialog.passwordEdit()->accessibleName(), "Password");

  // Enter in the password presses OK.
  QTest::keyClicks(dialog.passwordEdit(), "pw");
  QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(bed.client.adminUser.str(), "admin");
  EXPECT_EQ(bed.client.adminPassword.str(), "pw");
}

TEST(LoginDialogTest, ShareAccessModeFollowsTheSystem) {
  struct Case {
    platform::VersionReport report;
    const char* shown;
    bool editable;
  };
  const Case cases[] = {
      {{platform::PlatformFamily::Other, 6, 1, 0}, "", true},
      {{platform::PlatformFamily::WindowsNT, 5, 1, 2600}, "", true},
      {{platform::PlatformFamily::Windows9x, 4, 10, 2222}, "alice", false},  // 98 SE
      {{platform::PlatformFamily::Windows9x, 4, 90, 3000}, "alice", false},  // ME
  };
  for (const Case& c : cases) {
    LoginBed bed;
    bed.system.report = c.report;
    app::loginMode = 0;
    LoginDialog dialog(bed.client, bed.system);
    dialog.show();
    EXPECT_EQ(dialog.userNameEdit()->text(), c.shown) << c.shown;
    EXPECT_EQ(dialog.userNameEdit()->isEnabled(), c.editable) << c.shown;
    EXPECT_EQ(dialog.passwordEdit()->text(), "");
  }
}

TEST(LoginDialogTest, OkCopiesSixteenCharactersWholeAndRefusesTheSeventeenth) {
  LoginBed bed;
  app::loginMode = 0;
  LoginDialog dialog(bed.client, bed.system);
  dialog.show();
  QTest::keyClicks(dialog.userNameEdit(), "abcdefghijklmnopq");
  QTest::keyClicks(dialog.passwordEdit(), "0123456789ABCDEFG");
  EXPECT_EQ(dialog.userNameEdit()->text(), "abcdefghijklmnop");
  EXPECT_EQ(dialog.passwordEdit()->text(), "0123456789ABCDEF");

  QTest::mouseClick(ui::Control<QPushButton>(dialog, LoginDialog::kOk), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);  // OK and Cancel close alike
  EXPECT_EQ(bed.client.adminUser.str(), "abcdefghijklmnop");
  EXPECT_EQ(bed.client.adminPassword.str(), "0123456789ABCDEF");
}

TEST(LoginDialogTest, CancelLeavesThePreviousCredentials) {
  LoginBed bed;
  bed.client.adminUser = "admin";
  bed.client.adminPassword = "before";
  app::loginMode = 1;
  LoginDialog dialog(bed.client, bed.system);
  dialog.show();
  QTest::keyClicks(dialog.passwordEdit(), "typed");
  QTest::mouseClick(ui::Control<QPushButton>(dialog, LoginDialog::kCancel), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(bed.client.adminPassword.str(), "before");
}

// --- Apply ---------------------------------------------------------------

// Types into the field key by key, each key going to the octet that has
// the focus, as a user's typing does.
void Type(ui::AddressField* field, const char* dotted) {
  field->Clear();
  field->FocusOctet(0);
  for (const char* c = dotted; *c != '\0'; ++c) QTest::keyClick(field->focusWidget(), *c);
}

void PressApply(MainWindow& window) {
  QTest::mouseClick(window.button(MainWindow::kApply), Qt::LeftButton);
}

// Answers the Login dialog with `password`, or cancels it.
std::function<void(QDialog&)> AnswerLogin(const char* password, bool ok = true) {
  return [password, ok](QDialog& dialog) {
    auto& login = dynamic_cast<LoginDialog&>(dialog);
    EXPECT_EQ(login.userNameEdit()->text(), "admin");
    EXPECT_FALSE(login.userNameEdit()->isEnabled());
    QTest::keyClicks(login.passwordEdit(), password);
    QTest::mouseClick(ui::Control<QPushButton>(dialog, ok ? LoginDialog::kOk : LoginDialog::kCancel),
                      Qt::LeftButton);
  };
}

TEST(ApplyTest, WithoutAClickAsksForADeviceEvenWithFilledFields) {
  TestBed bed;
  MainWindow& window = bed.Open();
  Type(window.addressField(), "192.168.1.150");
  Type(window.netmaskField(), "255.255.255.0");
  app::loginMode = 0;
  bed.network.ClearSent();
  PressApply(window);
  ASSERT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_EQ(bed.prompts.messages[0].caption, "Error");
  EXPECT_EQ(bed.prompts.messages[0].text, "Please select a device in the above section.");
  EXPECT_EQ(bed.prompts.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(app::loginMode, 1);  // set on every press
  EXPECT_TRUE(bed.network.sent().empty());
}

TEST(ApplyTest, ClickWithoutADhcpChoiceDoesNothing) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.ClickBelowRows();
  ASSERT_EQ(window.selection().deviceSelected, 1);
  bed.network.ClearSent();
  PressApply(window);
  EXPECT_TRUE(bed.prompts.messages.empty());
  EXPECT_TRUE(bed.network.sent().empty());
}

TEST(ApplyTest, EmptyPasswordDeviceTakesAStaticAddressWithoutTheDialog) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  Type(window.addressField(), "192.168.1.150");
  PressApply(window);

  EXPECT_TRUE(bed.prompts.dialogs.empty());
  EXPECT_TRUE(bed.prompts.messages.empty());
  EXPECT_EQ(bed.office->address(), "192.168.1.150");
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.150");
  EXPECT_EQ(bed.client.newNetmask.str(), "255.255.255.0");
  EXPECT_EQ(bed.client.newGateway.str(), "192.168.1.1");
  EXPECT_EQ(TestBed::Requests(*bed.office, protocol::MSG_QUERY, protocol::QUERY_ADMIN_LOGIN), 1);
  // The panel is emptied and the list rediscovered.
  EXPECT_TRUE(window.addressField()->IsBlank());
  EXPECT_TRUE(window.gatewayField()->IsBlank());
  EXPECT_EQ(bed.RowOf("192.168.1.100"), -1);
  EXPECT_EQ(bed.RowOf("192.168.1.150"), 0);
  EXPECT_EQ(window.shareList()->topLevelItemCount(), 0);
}

TEST(ApplyTest, WrongPasswordIsReportedAfterExactlyTwoLogins) {
  struct Case {
    const char* typed;
    bool ok;  // OK or Cancel
  };
  for (const Case c : {Case{"wrong", true}, Case{"secret", false}}) {
    TestBed bed;
    auto guarded = Device("Guarded", "192.168.1.90", "255.255.255.0", "192.168.1.1");
    guarded.adminPassword = "secret";
    sim::SimDevice& device = bed.network.AddDevice(0, guarded);
    MainWindow& window = bed.Open();
    bed.Click("192.168.1.90");
    Type(window.addressField(), "192.168.1.91");
    bed.prompts.onDialog = AnswerLogin(c.typed, c.ok);
    PressApply(window);

    EXPECT_EQ(bed.prompts.dialogs, std::vector<QString>{"Login"}) << c.typed;
    ASSERT_EQ(bed.prompts.messages.size(), 1u) << c.typed;
    EXPECT_EQ(bed.prompts.messages[0].caption, "Error");
    EXPECT_EQ(bed.prompts.messages[0].text, "Wrong administrator password input!");
    EXPECT_EQ(bed.prompts.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(TestBed::Requests(device, protocol::MSG_QUERY, protocol::QUERY_ADMIN_LOGIN), 2) << c.typed;
    EXPECT_EQ(TestBed::Requests(device, protocol::MSG_SET, protocol::SET_STATIC_ADDRESS), 0);
    EXPECT_EQ(device.address(), "192.168.1.90");
    EXPECT_EQ(window.addressField()->Text(), "192.168.1.91");  // left as typed
  }
}

TEST(ApplyTest, RightPasswordInTheDialogChangesTheDevice) {
  TestBed bed;
  auto guarded = Device("Guarded", "192.168.1.90", "255.255.255.0", "192.168.1.1");
  guarded.adminPassword = "secret";
  sim::SimDevice& device = bed.network.AddDevice(0, guarded);
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.90");
  Type(window.addressField(), "192.168.1.91");
  bed.prompts.onDialog = AnswerLogin("secret");
  PressApply(window);
  EXPECT_TRUE(bed.prompts.messages.empty());
  EXPECT_EQ(device.address(), "192.168.1.91");
  EXPECT_NE(bed.RowOf("192.168.1.91"), -1);
}

TEST(ApplyTest, EnableIgnoresTheTypedFieldsAndRediscoversTheDevice) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  QComboBox* combo = window.receiveDhcp();
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);  // "Enable"
  window.addressField()->setEnabled(true);
  Type(window.addressField(), "127.0.0.1");  // would be refused on the static path
  PressApply(window);

  ASSERT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_EQ(bed.prompts.messages[0].caption, "Confirm");
  EXPECT_EQ(bed.prompts.messages[0].text, "DHCP client enabled.");
  EXPECT_EQ(bed.prompts.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(bed.office->address(), "192.168.1.77");
  EXPECT_EQ(bed.client.selectedAddress.str(), "192.168.1.77");
  EXPECT_EQ(window.selection().deviceSelected, 0);
  for (ui::AddressField* field : {window.addressField(), window.netmaskField(), window.gatewayField()}) {
    EXPECT_TRUE(field->IsBlank());
    EXPECT_TRUE(field->isEnabled());
  }
  EXPECT_EQ(combo->currentText(), "Enable");
  EXPECT_EQ(bed.RowOf("192.168.1.100"), -1);
  EXPECT_NE(bed.RowOf("192.168.1.77"), -1);
}

TEST(ApplyTest, DeviceThatNeverConfirmsDhcpFails) {
  TestBed bed;
  auto mute = Device("Mute", "192.168.1.95", "255.255.255.0", "192.168.1.1", true);
  mute.ignoreItems = {protocol::SET_DHCP_CLIENT};
  bed.network.AddDevice(0, mute);
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.95");
  PressApply(window);

  ASSERT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_EQ(bed.prompts.messages[0].caption, "Error");
  EXPECT_EQ(bed.prompts.messages[0].text, "Set to dhcp client fail.");
  EXPECT_EQ(bed.prompts.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(window.selection().deviceSelected, 1);
  EXPECT_EQ(window.addressField()->Text(), "192.168.1.95");
  EXPECT_NE(bed.RowOf("192.168.1.95"), -1);
}

TEST(ApplyTest, RejectedStaticSettingsLeaveThePanelAndSendNothing) {
  struct Case {
    const char* address;
    const char* netmask;
    const char* gateway;
    const char* caption;
    const char* text;
    const char* newAddress;  // what the client holds afterwards
    const char* newNetmask;
  };
  const Case cases[] = {
      {"127.0.0.1", "255.0.0.0", "", "Warning", "IP address input error. Please try again.",
       "", ""},
      {"192.168.1.255", "255.255.255.0", "192.168.1.1", "Warning",
       "You enter incorrect TCP/IP configuration. Please try again.", "192.168.1.255", ""},
      {"192.168.1.10", "255.0.255.0", "192.168.1.1", "Error",
       "Netmask address input invalid. Please try again.", "192.168.1.10", "255.0.255.0"},
      {"192.168.1.10", "255.255.255.0", "192.168.2.1", "Error",
       "You enter incorrect TCP/IP configuration. Please try again.", "192.168.1.10",
       "255.255.255.0"},
  };
  for (const Case& c : cases) {
    TestBed bed;
    MainWindow& window = bed.Open();
    bed.Click("192.168.1.100");
    Type(window.addressField(), c.address);
    Type(window.netmaskField(), c.netmask);
    Type(window.gatewayField(), c.gateway);
    bed.network.ClearSent();
    PressApply(window);

    ASSERT_EQ(bed.prompts.messages.size(), 1u) << c.address;
    EXPECT_EQ(bed.prompts.messages[0].caption, c.caption) << c.address;
    EXPECT_EQ(bed.prompts.messages[0].text, c.text) << c.address;
    EXPECT_TRUE(bed.network.sent().empty()) << c.address;
    EXPECT_EQ(window.addressField()->Text(), c.address);
    EXPECT_EQ(window.netmaskField()->Text(), c.netmask);
    EXPECT_EQ(window.gatewayField()->Text(), c.gateway);
    EXPECT_EQ(bed.client.newAddress.str(), c.newAddress) << c.address;
    EXPECT_EQ(bed.client.newNetmask.str(), c.newNetmask) << c.address;
    EXPECT_EQ(bed.office->address(), "192.168.1.100");
  }
}

TEST(ApplyTest, OctetRuleMovesTheFocusToTheFailingOctet) {
  TestBed bed;
  MainWindow& window = bed.Open();
  bed.Click("192.168.1.100");
  Type(window.addressField(), "0.1.2.3");
  PressApply(window);
  ASSERT_EQ(bed.prompts.messages.size(), 1u);
  EXPECT_EQ(bed.prompts.messages[0].text, "Invalid IP address in 1st digit. It should be 1-223.");
  EXPECT_EQ(bed.prompts.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(QApplication::focusWidget(), window.addressField()->OctetEdit(0));
}

TEST(ApplyTest, ThreadedRunKeepsTheOrderAndAsksOnTheWindowThread) {
  TestBed bed;
  auto guarded = Device("Guarded", "192.168.1.90", "255.255.255.0", "192.168.1.1");
  guarded.adminPassword = "secret";
  sim::SimDevice& device = bed.network.AddDevice(0, guarded);
  ui::ThreadedBusyRunner threaded;
  MainWindow& window = bed.Open(&threaded);
  ASSERT_EQ(window.deviceList()->topLevelItemCount(), 5);
  bed.Click("192.168.1.90");
  ASSERT_EQ(window.addressField()->Text(), "192.168.1.90");
  Type(window.addressField(), "192.168.1.92");
  QThread* dialogThread = nullptr;
  bed.prompts.onDialog = [&](QDialog& dialog) {
    dialogThread = QThread::currentThread();
    AnswerLogin("secret")(dialog);
  };
  PressApply(window);
  EXPECT_EQ(dialogThread, window.thread());
  EXPECT_TRUE(bed.prompts.messages.empty());
  EXPECT_EQ(device.address(), "192.168.1.92");
  EXPECT_NE(bed.RowOf("192.168.1.92"), -1);
  EXPECT_FALSE(threaded.busy());
}

}  // namespace
}  // namespace kfw::testing
