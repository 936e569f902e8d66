#pragma once
// A main window over simulated devices: no socket, virtual time, scripted
// prompts and fake drive letters.

#include <QTest>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/gui/main_window.h"
#include "platform/clock.h"
#include "platform/fake_network_drives.h"
#include "protocol/management_client.h"
#include "protocol/messages.h"
#include "sim/simulated_network.h"
#include "ui/address_field.h"
#include "ui/busy.h"
#include "ui/prompts.h"
#include "ui/report_view.h"

namespace kfw::testing {

class FakeSystemInfo final : public platform::SystemInfo {
 public:
  bool Version(platform::VersionReport& out) override {
    out = report;
    return true;
  }
  std::string LoggedOnUser() override { return user; }

  platform::VersionReport report{platform::PlatformFamily::Other, 6, 1, 0};
  std::string user = "alice";
};

inline sim::DeviceConfig Device(std::string name, std::string address, std::string netmask,
                                std::string gateway, bool dhcp = false) {
  sim::DeviceConfig config;
  config.name = std::move(name);
  config.address = std::move(address);
  config.netmask = std::move(netmask);
  config.gateway = std::move(gateway);
  config.dhcp = dhcp;
  return config;
}

// Interfaces 192.168.1.20 (segment 0) and 10.0.0.5 (segment 1). Devices:
//   NAS-Office   192.168.1.100/24, static, shares HDD_1 and Photos, no password
//   Media-Store  192.168.1.57/24, DHCP, gateway 0.0.0.0
//   Lab-Archive  172.16.4.20/16, found on segment 0 but in another subnet
//   Studio-NAS   10.0.0.30/24 on segment 1
struct TestBed {
  TestBed() {
    network.AddInterface("192.168.1.20", 0);
    network.AddInterface("10.0.0.5", 1);
    auto officeConfig = Device("NAS-Office", "192.168.1.100", "255.255.255.0", "192.168.1.1");
    officeConfig.model = "KFW-2200";
    officeConfig.shares = "HDD_1:Photos";
    officeConfig.dhcpAddress = "192.168.1.77";
    auto mediaConfig = Device("Media-Store", "192.168.1.57", "255.255.255.0", "0.0.0.0", true);
    mediaConfig.model = "KFW-1100";
    office = &network.AddDevice(0, officeConfig);
    media = &network.AddDevice(0, mediaConfig);
    archive = &network.AddDevice(0, Device("Lab-Archive", "172.16.4.20", "255.255.0.0", "172.16.0.1"));
    studio = &network.AddDevice(1, Device("Studio-NAS", "10.0.0.30", "255.255.255.0", "10.0.0.1"));
    client.SetDiagnostics(&diagnostics);
  }

  // Starts the network and builds the window (which runs the first
  // discovery); the window is not shown.
  app::gui::MainWindow& Build(ui::BusyRunner* runner = nullptr) {
    client.StartNetwork();
    window = std::make_unique<app::gui::MainWindow>(
        app::gui::MainWindowServices{client, drives, system, prompts, runner ? *runner : busy});
    return *window;
  }
  app::gui::MainWindow& Open(ui::BusyRunner* runner = nullptr) {
    Build(runner);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return *window;
  }

  int RowOf(const std::string& address) const {
    ui::ReportView* list = window->deviceList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      if (ui::ReportView::CellText(list->topLevelItem(i), 1) == address) return i;
    }
    return -1;
  }
  void ClickRow(int row) {
    ui::ReportView* list = window->deviceList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(row)).center());
  }
  void Click(const std::string& address) { ClickRow(RowOf(address)); }
  void ClickBelowRows() {
    ui::ReportView* list = window->deviceList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(10, list->viewport()->height() - 3));
  }

  std::vector<std::string> Column(ui::ReportView* list, int column) const {
    std::vector<std::string> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      out.push_back(ui::ReportView::CellText(list->topLevelItem(i), column));
    }
    return out;
  }

  // Requests a device received with message type `type` and item `item`.
  static int Requests(const sim::SimDevice& device, uint8_t type, uint8_t item) {
    const auto& log = device.requestLog();
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const auto& r) {
      return r.size() > 21 && r[0] == type && r[21] == item;
    }));
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork network{clock};
  std::ostringstream diagnostics;
  protocol::ManagementClient client{network, clock};
  platform::FakeNetworkDrives drives;
  FakeSystemInfo system;
  ui::ScriptedPrompts prompts;
  ui::InlineBusyRunner busy;
  std::unique_ptr<app::gui::MainWindow> window;

  sim::SimDevice* office;
  sim::SimDevice* media;
  sim::SimDevice* archive;
  sim::SimDevice* studio;
};

}  // namespace kfw::testing
