// The Win32 main window under wine, over simulated devices in the process:
// what a click, a key or a button does to the window the user sees.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/login_form.h"
#include "platform/clock.h"
#include "platform/windows/wide_text.h"
#include "protocol/management_client.h"
#include "sim/simulated_network.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "tests/support/fake_system_info.h"
#include "tests/support/sim_devices.h"
#include "win32/main_window.h"
#include "win32_user.h"

namespace kfw::win32 {
namespace {

using testing::Device;
using Strings = std::vector<std::string>;
using W = MainWindow;

// Interface 192.168.1.20. Office 192.168.1.100 (static, shares HDD_1 and
// Photos, administrator password "secret"), Media 192.168.1.57 (DHCP,
// gateway 0.0.0.0), Lab 172.16.4.20 (found here, in another subnet).
struct Bed {
  Bed() {
    network.AddInterface("192.168.1.20", 0);
    auto office = Device("Office", "192.168.1.100", "255.255.255.0", "192.168.1.1");
    office.shares = "HDD_1:Photos";
    office.adminPassword = "secret";
    network.AddDevice(0, office);
    network.AddDevice(0, Device("Media", "192.168.1.57", "255.255.255.0", "0.0.0.0", true));
    network.AddDevice(0, Device("Lab", "172.16.4.20", "255.255.0.0", "172.16.0.1"));
    drives.Connect('M', "\\\\Office\\Photos");
    client.StartNetwork();
    window = std::make_unique<MainWindow>(
        core::MainWindowServices{client, drives, system, programs, browser, reachability, clock, files, "ip.txt"},
        user);
    EXPECT_NE(window->Open(), nullptr);
    ShowWindow(window->window(), SW_SHOW);
    Pump();
  }
  HWND Control(int id) const { return GetDlgItem(window->window(), id); }
  std::string Cell(int list, int row, int column) const {
    wchar_t text[128] = {};
    ListView_GetItemText(Control(list), row, column, text, 128);
    return platform::Narrow(text);
  }
  Strings Column(int list, int column) const {
    Strings out;
    for (int row = 0; row < ListView_GetItemCount(Control(list)); ++row) out.push_back(Cell(list, row, column));
    return out;
  }
  int RowOf(const std::string& address) const {
    const Strings addresses = Column(W::kDeviceList, 1);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      if (addresses[i] == address) return static_cast<int>(i);
    }
    return -1;
  }
  LPARAM RowCentre(const std::string& address) const {
    RECT row{};
    ListView_GetItemRect(Control(W::kDeviceList), RowOf(address), &row, LVIR_BOUNDS);
    return MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
  }
  // A left click on the row's middle, as the mouse sends it; with
  // `second`, a double click whose second press lands there.
  void Click(const std::string& address, const std::string& second = {}) {
    const HWND list = Control(W::kDeviceList);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, RowCentre(address));
    PostMessageW(list, WM_LBUTTONUP, 0, RowCentre(address));
    Pump();
    if (!second.empty()) {
      PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, RowCentre(second));
      PostMessageW(list, WM_LBUTTONUP, 0, RowCentre(second));
    }
    Pump();
  }
  void Key(int key) {
    SetFocus(Control(W::kDeviceList));
    SendMessageW(Control(W::kDeviceList), WM_KEYDOWN, key, 1);
    SendMessageW(Control(W::kDeviceList), WM_KEYUP, key, 0xC0000001);
    Pump();
  }
  // "address netmask gateway choice": "-" for a blank field, brackets
  // around a disabled one.
  std::string Panel() const {
    std::string out;
    for (const int id : {W::kAddress, W::kNetmask, W::kGateway}) {
      DWORD address = 0;
      const bool blank = SendMessageW(Control(id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 0;
      std::string text = blank ? "-"
                               : std::to_string(FIRST_IPADDRESS(address)) + "." + std::to_string(SECOND_IPADDRESS(address)) +
                                     "." + std::to_string(THIRD_IPADDRESS(address)) + "." +
                                     std::to_string(FOURTH_IPADDRESS(address));
      out += (IsWindowEnabled(Control(id)) ? text : "[" + text + "]") + " ";
    }
    return out + platform::Narrow(WindowText(Control(W::kReceiveDhcp)));
  }
  std::string Enabled() const {
    std::string out;
    for (const int id : {W::kConnect, W::kDisconnect, W::kConfiguration, W::kLanguage, W::kWidget, W::kBitTorrent}) {
      out += IsWindowEnabled(Control(id)) ? '1' : '0';
    }
    return out;
  }

  platform::FakeClock clock;
  sim::SimulatedNetwork network{clock};
  protocol::ManagementClient client{network, clock};
  platform::FakeNetworkDrives drives;
  platform::FakeSystem system{std::nullopt, "alice"};
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  Strings messages;
  Win32Interaction user{nullptr, [this](const core::UserMessage& m) { messages.push_back(m.text); }};
  std::unique_ptr<MainWindow> window;
};

TEST(Win32MainWindowTest, ClicksAndKeysSelectADeviceAndFillThePanelAndTheShares) {
  Bed bed;
  EXPECT_EQ(bed.Column(W::kDeviceList, 0), (Strings{"Office", "Media", "Lab"}));
  EXPECT_EQ(bed.Panel(), "- - - ");
  EXPECT_EQ(platform::Narrow(WindowText(bed.Control(W::kDriveLetters))), "Z:");

  bed.Click("192.168.1.100");
  EXPECT_EQ(bed.Panel(), "192.168.1.100 255.255.255.0 192.168.1.1 Disable");
  EXPECT_EQ(bed.Column(W::kShareList, 0), (Strings{"HDD_1", "Photos"}));
  EXPECT_EQ(bed.Column(W::kShareList, 1), (Strings{"", "M:"}));
  EXPECT_EQ(bed.Enabled(), "111111");

  bed.Key(VK_DOWN);
  EXPECT_EQ(bed.Panel(), "[192.168.1.57] [255.255.255.0] [-] Enable");
  EXPECT_EQ(bed.window->model().selection().deviceAddress.str(), "192.168.1.57");

  // A double click whose second press lands on another row selects that row.
  bed.Click("192.168.1.57", "192.168.1.100");
  EXPECT_EQ(bed.window->model().selection().deviceAddress.str(), "192.168.1.100");
  EXPECT_EQ(bed.Panel(), "192.168.1.100 255.255.255.0 192.168.1.1 Disable");
  bed.Click("192.168.1.100", "192.168.1.57");

  // The DHCP choice ungreys the fields as the user makes it.
  Choose(bed.window->window(), W::kReceiveDhcp, 0);
  EXPECT_EQ(bed.Panel(), "192.168.1.57 255.255.255.0 - Disable");

  // Outside the interface's subnet: the commands that need the device
  // grey, and so do their entries in the context menu.
  bed.Click("172.16.4.20");
  EXPECT_EQ(bed.Enabled(), "000001");
  HMENU menu = bed.window->DeviceContextMenu();
  std::string items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[32] = {};
    GetMenuStringW(menu, i, text, 32, MF_BYPOSITION);
    items += platform::Narrow(text) + ((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) ? '-' : '+');
  }
  DestroyMenu(menu);
  EXPECT_EQ(items, "Language-BitTorrent+Widget-");
}

TEST(Win32MainWindowTest, ApplyAsksTheAdministratorAndMovesTheDevice) {
  Bed bed;
  bed.Click("192.168.1.100");
  SendMessageW(bed.Control(W::kAddress), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 1, 150));
  std::wstring loginUser;
  UserScript script(
      [&loginUser](HWND dialog) {
        loginUser = WindowText(GetDlgItem(dialog, forms::login::kUserName));
        Type(GetDlgItem(dialog, forms::login::kPassword), L"secret");
        Click(dialog, forms::login::kOk);
      },
      bed.window->window());
  Click(bed.window->window(), W::kApply);
  Pump();
  EXPECT_EQ(loginUser, L"admin");
  EXPECT_TRUE(bed.messages.empty());
  EXPECT_NE(bed.RowOf("192.168.1.150"), -1);
  EXPECT_EQ(bed.RowOf("192.168.1.100"), -1);
  EXPECT_EQ(bed.Panel(), "- - - Disable");
}

TEST(Win32MainWindowTest, ExitStopsTheNetworkAndEscapeOnlyEndsTheRun) {
  for (const bool exit : {true, false}) {
    Bed bed;
    if (exit) {
      Click(bed.window->window(), W::kExit);
    } else {
      PressEscape(bed.window->window());
      Pump();
    }
    EXPECT_TRUE(bed.window->ended()) << exit;
    EXPECT_FALSE(IsWindow(bed.window->window())) << exit;
    EXPECT_EQ(bed.network.stopCount(), exit ? 1 : 0);
  }
}

}  // namespace
}  // namespace kfw::win32
