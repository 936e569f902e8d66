#pragma once
// A main window over simulated devices: no socket, virtual time, scripted
// prompts and fake drive letters.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "gui/main_window.h"
#include "platform/clock.h"
#include "protocol/management_client.h"
#include "protocol/messages.h"
#include "sim/simulated_network.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "tests/support/fake_system_info.h"
#include "tests/support/sim_devices.h"
#include "ui/address_field.h"
#include "ui/busy.h"
#include "ui/dialog_template.h"
#include "ui/prompts.h"
#include "ui/report_view.h"

namespace kfw::testing {

using gui::MainWindow;
using Strings = std::vector<std::string>;

// Types into the field key by key, each key going to the octet that has
// the focus, as a user's typing does.
inline void Type(ui::AddressField* field, const char* keys) {
  field->Clear();
  field->FocusOctet(0);
  for (const char* c = keys; *c != '\0'; ++c) QTest::keyClick(field->focusWidget(), *c);
}

// Interfaces 192.168.1.20 (segment 0) and 10.0.0.5 (segment 1). Devices:
//   NAS-Office   192.168.1.100/24, static, shares HDD_1 and Photos, no password,
//                its disk ready for add-ons
//   Media-Store  192.168.1.57/24, DHCP, gateway 0.0.0.0
//   Lab-Archive  172.16.4.20/16, found on segment 0 but in another subnet
//   Studio-NAS   10.0.0.30/24 on segment 1
struct TestBed {
  TestBed() {
    network.AddInterface("192.168.1.20", 0);
    network.AddInterface("10.0.0.5", 1);
    auto office = Device("NAS-Office", "192.168.1.100");
    office.model = "KFW-2200";
    office.shares = "HDD_1:Photos";
    office.dhcpAddress = "192.168.1.77";
    office.ideok = {"3"};
    office.btFirmware = {"1"};
    network.AddDevice(0, office);
    network.AddDevice(0, Device("Media-Store", "192.168.1.57", "255.255.255.0", "0.0.0.0", true));
    network.AddDevice(0, Device("Lab-Archive", "172.16.4.20", "255.255.0.0", "172.16.0.1"));
    network.AddDevice(1, Device("Studio-NAS", "10.0.0.30", "255.255.255.0", "10.0.0.1"));
    client.SetDiagnostics(&diagnostics);
  }

  // Starts the network and builds the window, which runs the first
  // discovery before it is shown; shows it unless told not to.
  MainWindow& Open(ui::BusyRunner* runner = nullptr, bool show = true) {
    client.StartNetwork();
    window = std::make_unique<MainWindow>(
        core::MainWindowServices{client, drives, system, programs, browser, reachability, clock, files, addressFile,
                                 // The check answers before the window first looks.
                                 [](std::function<void()> check) { check(); },
                                 // The Loading and Restart dialogs in real time, but short.
                                 core::AddonTimings{.loadingDelay = std::chrono::milliseconds(5),
                                                    .restartStep = std::chrono::milliseconds(1),
                                                    .restartTotal = std::chrono::milliseconds(30)}},
        prompts, runner ? *runner : busy);
    if (show) {
      window->show();
      window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    return *window;
  }

  // The LAN panel as "address netmask gateway choice": "-" for a blank
  // field, brackets around a disabled one, "none" before any DHCP choice.
  std::string Panel() const {
    std::string out;
    for (const ui::AddressField* field : {window->addressField(), window->netmaskField(), window->gatewayField()}) {
      const std::string text = field->IsBlank() ? "-" : field->Text().toStdString();
      out += (field->isEnabled() ? text : "[" + text + "]") + " ";
    }
    const QComboBox* dhcp = window->receiveDhcp();
    return out + (dhcp->currentIndex() < 0 ? "none" : dhcp->currentText().toStdString());
  }
  // Every message shown, as "caption (icon): text".
  Strings Messages() const {
    static const char* const kIcons[] = {"none", "stop", "exclamation", "information"};
    Strings out;
    for (const core::UserMessage& m : prompts.messages) {
      out.push_back(m.caption + " (" + kIcons[static_cast<int>(m.icon)] + "): " + m.text);
    }
    return out;
  }

  int RowOf(const std::string& address) const {
    const Strings addresses = Column(window->deviceList(), 1);
    const auto found = std::find(addresses.begin(), addresses.end(), address);
    return found == addresses.end() ? -1 : static_cast<int>(found - addresses.begin());
  }
  QPoint RowCenter(const std::string& address) const {
    return window->deviceList()->visualItemRect(window->deviceList()->topLevelItem(RowOf(address))).center();
  }
  void Click(const std::string& address) { ClickList(RowCenter(address)); }
  void ClickList(QPoint at) { QTest::mouseClick(window->deviceList()->viewport(), Qt::LeftButton, {}, at); }
  void Press(int buttonId) { QTest::mouseClick(window->button(buttonId), Qt::LeftButton); }

  static Strings Column(ui::ReportView* list, int column) {
    Strings out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      out.push_back(ui::ReportView::CellText(list->topLevelItem(i), column));
    }
    return out;
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork network{clock};
  std::ostringstream diagnostics;
  protocol::ManagementClient client{network, clock};
  platform::FakeNetworkDrives drives;
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  std::filesystem::path addressFile =
      std::filesystem::temp_directory_path() / ("kfw-gui-ip-" + std::to_string(::getpid()) + ".txt");
  platform::FakeSystem system{std::nullopt, "alice"};  // the window only hands it on
  ui::ScriptedPrompts prompts;
  ui::InlineBusyRunner busy;
  std::unique_ptr<MainWindow> window;
};

}  // namespace kfw::testing
