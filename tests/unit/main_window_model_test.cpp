// The window model over simulated devices, with a view that records what it
// was told and answers with what the test "clicked": no toolkit at all.

#include "core/main_window_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/subnet_rule.h"
#include "fixtures.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/fake_programs.h"
#include "tests/support/fake_share_files.h"
#include "tests/support/sim_devices.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using testing::Device;
using Strings = std::vector<std::string>;

struct RecordingView final : MainWindowView {
  std::optional<std::size_t> SelectedDevice() const override { return device; }
  std::optional<std::size_t> SelectedShare() const override { return share; }
  std::optional<std::size_t> SelectedLetter() const override { return letter; }
  std::optional<bool> DhcpChoice() const override { return dhcp; }
  FieldOctets Field(FieldKind field) const override { return PanelOctets(fields.at(field)); }

  void ShowDevices(const std::vector<DeviceRow>& rows) override {
    devices.clear();
    for (const DeviceRow& row : rows) devices.push_back(row.name + " " + row.address);
    device.reset();
  }
  void ShowShares(const std::vector<ShareRow>& rows) override {
    shares.clear();
    for (const ShareRow& row : rows) shares.push_back(row.volumeName + "=" + row.location);
    share.reset();
  }
  void ShowLetters(const std::vector<std::string>& items, std::optional<std::size_t> current) override {
    letters = items;
    letter = current;
  }
  void ShowField(FieldKind field, const std::string& text) override { fields[field] = text; }
  void EnableFields(bool enabled) override { fieldsEnabled = enabled; }
  void ShowDhcpChoice(bool enable) override { dhcp = enable; }
  void EnableCommand(WindowCommand command, bool enabled) override {
    if (command == WindowCommand::Refresh) refreshStates += enabled ? '1' : '0';
  }
  void FocusField(FieldKind field, int octet) override { focus = std::to_string(int(field)) + "." + std::to_string(octet); }
  void FocusDeviceList() override { focus = "devices"; }

  // The LAN panel as "address netmask gateway choice": "-" for a blank
  // field, brackets around the three when they are disabled.
  std::string Panel() const {
    std::string out;
    for (const FieldKind f : {FieldKind::Address, FieldKind::Netmask, FieldKind::Gateway}) {
      out += (fields.at(f).empty() ? "-" : fields.at(f)) + " ";
    }
    out = fieldsEnabled ? out : "[" + out + "]";
    return out + (dhcp ? (*dhcp ? "Enable" : "Disable") : "none");
  }

  std::optional<std::size_t> device, share, letter;
  std::optional<bool> dhcp;
  std::map<FieldKind, std::string> fields;
  bool fieldsEnabled = true;
  Strings devices, shares, letters;
  std::string refreshStates, focus;
};

// Interfaces 192.168.1.20 (segment 0) and 10.0.0.5 (segment 1). Office
// 192.168.1.100 (static, shares HDD_1 and Photos) and Media 192.168.1.57
// (DHCP, gateway 0.0.0.0) on the first, Studio 10.0.0.30 on the second.
struct Bed : fixtures::SimBed {
  Bed() {
    net.AddInterface("10.0.0.5", 1);
    auto office = Device("Office", "192.168.1.100");
    office.model = "KFW-2200";
    office.shares = "HDD_1:Photos";
    office.dhcpAddress = "192.168.1.77";
    Add(office);
    Add(Device("Media", "192.168.1.57", "255.255.255.0", "0.0.0.0", true));
    net.AddDevice(1, Device("Studio", "10.0.0.30", "255.255.255.0", "10.0.0.1"));
    view.fields = {{FieldKind::Address, "x"}, {FieldKind::Netmask, "x"}, {FieldKind::Gateway, "x"}};
  }
  MainWindowModel& Open() {
    client.StartNetwork();
    model.Start();
    return model;
  }
  void Click(const std::string& address) {
    for (std::size_t i = 0; i < model.devices().size(); ++i) {
      if (model.devices()[i].address == address) view.device = i;
    }
    model.SelectDevice();
  }
  bool Enabled(WindowCommand command) const { return model.enabled(command); }

  platform::FakeNetworkDrives drives;
  platform::FakeSystem system{std::nullopt, "alice"};
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  platform::FakeReachability reachability;
  platform::FakeShareFiles files;
  ScriptedInteraction user;
  RecordingView view;
  MainWindowModel model{{client, drives, system, programs, browser, reachability, clock, files, "ip.txt",
                         [](std::function<void()> check) { check(); }},
                        user,
                        view};
};

TEST(MainWindowModelTest, AClickFillsThePanelAndTheSharesOfAStaticOrADhcpDevice) {
  Bed bed;
  bed.drives.Connect('M', "\\\\OFFICE\\photos");  // host and share in another letter case
  bed.drives.Connect('Y', "\\\\192.168.1.100\\HDD_1");
  bed.Open();
  EXPECT_EQ(bed.view.devices, (Strings{"Office 192.168.1.100", "Media 192.168.1.57", "Studio 10.0.0.30"}));
  EXPECT_EQ(bed.view.Panel(), "- - - none");  // waits for a click
  EXPECT_EQ(bed.view.letters.at(*bed.view.letter), "Z:");  // the highest letter without a connection
  EXPECT_EQ(bed.model.selection().deviceSelected, 0);

  bed.Click("192.168.1.100");
  EXPECT_EQ(bed.view.Panel(), "192.168.1.100 255.255.255.0 192.168.1.1 Disable");
  EXPECT_EQ(bed.view.shares, (Strings{"HDD_1=Y:", "Photos=M:"}));
  EXPECT_EQ(bed.view.focus, "devices");
  Selection& selection = bed.model.selection();
  EXPECT_EQ(selection.deviceSelected, 1);
  EXPECT_EQ(selection.deviceAddress.str(), "192.168.1.100");
  EXPECT_EQ(selection.selectedHost.str(), "192.168.1.100");
  EXPECT_EQ(selection.selectedModel, "KFW-2200");

  // A DHCP device greys the fields; its 0.0.0.0 gateway shows blank. The
  // last device's secure-console answer never outlives a click.
  selection.sslValue = "1";
  bed.Click("192.168.1.57");
  EXPECT_EQ(bed.view.Panel(), "[192.168.1.57 255.255.255.0 - ]Enable");
  EXPECT_EQ(bed.view.shares, Strings{"HDD_1="});
  EXPECT_EQ(selection.sslValue.str(), "0");
  EXPECT_EQ(selection.deviceAddress.str(), "192.168.1.57");

  // The DHCP choice greys and ungreys the fields without emptying them.
  bed.view.dhcp = false;
  bed.model.OnReceiveDhcpChanged();
  EXPECT_EQ(bed.view.Panel(), "192.168.1.57 255.255.255.0 - Disable");

  // A click below the rows counts as a click and asks nothing.
  selection.deviceSelected = 0;
  bed.net.ClearSent();
  bed.view.device.reset();
  bed.model.SelectDevice();
  EXPECT_EQ(selection.deviceSelected, 1);
  EXPECT_EQ(bed.view.Panel(), "192.168.1.57 255.255.255.0 - Disable");
  EXPECT_TRUE(bed.net.sent().empty());

  // A row the right button highlighted is selected before its menu opens;
  // the selected one is not asked again.
  bed.view.device = 0;
  bed.model.SelectHighlighted();
  EXPECT_EQ(selection.deviceAddress.str(), "192.168.1.100");
  bed.net.ClearSent();
  bed.model.SelectHighlighted();
  EXPECT_TRUE(bed.net.sent().empty());
}

TEST(MainWindowModelTest, SubnetTestDecidesTheCommandsThatNeedAReachableDevice) {
  Bed bed;
  bed.Add(Device("Lab", "172.16.4.20", "255.255.0.0", "172.16.0.1"));
  bed.Add(Device("Edge", "192.168.1.200", "255.255.255.128", "192.168.1.129"));
  bed.Add(Device("Alone", "192.168.1.65", "255.255.255.255", "192.168.1.1"));
  bed.Add(Device("Wide", "192.168.7.9", "255.255.0.0", "192.168.1.1"));
  bed.Open();
  // Studio is only in the subnet of the second interface, which found it;
  // Edge's /25 leaves the workstation out by the last octet alone.
  for (const auto& [address, reachable] : std::vector<std::pair<std::string, bool>>{
           {"172.16.4.20", false}, {"192.168.1.100", true}, {"192.168.1.200", false},
           {"192.168.1.65", false}, {"10.0.0.30", true}, {"192.168.7.9", true}}) {
    bed.Click(address);
    std::string enabled;
    for (const WindowCommand command :
         {WindowCommand::Connect, WindowCommand::Disconnect, WindowCommand::Configuration, WindowCommand::Language,
          WindowCommand::Widget, WindowCommand::BitTorrent, WindowCommand::Refresh}) {
      enabled += bed.Enabled(command) ? '1' : '0';
    }
    EXPECT_EQ(enabled, reachable ? "1111111" : "0000011") << address;
  }
}

TEST(MainWindowModelTest, RefreshEmptiesThePanelAndTheSelection) {
  Bed bed;
  bed.Open();
  bed.Click("192.168.1.57");
  bed.net.AddDevice(1, Device("Late", "10.0.0.31", "255.255.255.0", "10.0.0.1"));
  bed.view.refreshStates.clear();
  bed.model.RefreshDeviceList();
  EXPECT_EQ(bed.view.refreshStates, "01");  // disabled while discovery runs
  EXPECT_EQ(bed.view.devices.size(), 4u);
  EXPECT_TRUE(bed.view.shares.empty());
  EXPECT_EQ(bed.view.Panel(), "[- - - ]Enable");  // the choice and its greying stay
  EXPECT_EQ(bed.model.selection().deviceSelected, 0);
}

TEST(MainWindowModelTest, ConnectAndDisconnectUseTheRowsAndTheLetterTheViewSelected) {
  Bed bed;
  bed.Open();
  bed.Click("192.168.1.100");
  bed.view.share = 1;  // Photos
  bed.view.letter = 2;  // X:
  bed.model.ConnectShare();
  ASSERT_EQ(bed.drives.attempts.size(), 1u);
  EXPECT_EQ(bed.drives.attempts[0].localName + " " + bed.drives.attempts[0].remoteName, "X: \\\\Office\\Photos");
  EXPECT_EQ(bed.view.shares, (Strings{"HDD_1=", "Photos=X:"}));
  EXPECT_EQ(bed.view.letters.at(2), "X: \\\\Office\\Photos");
  EXPECT_EQ(bed.view.letters.at(*bed.view.letter), "Z:");

  bed.drives.cancels.clear();  // Connect's own, of what the letter held
  bed.view.share = 1;
  bed.model.DisconnectDrive();
  EXPECT_EQ(bed.drives.cancels, Strings{"X: 1 force"});
  EXPECT_EQ(bed.view.shares, (Strings{"HDD_1=", "Photos="}));

  // A row or an item the view holds but the model never showed is none.
  bed.view.share = 7;
  bed.view.letter = 99;
  bed.model.DisconnectDrive();
  EXPECT_EQ(bed.drives.cancels.size(), 1u);
}

TEST(MainWindowModelTest, ApplyFocusesARefusedFieldOrRediscoversWithTheSelectionMoved) {
  Bed bed;
  bed.Open();
  bed.Click("192.168.1.100");
  bed.view.fields[FieldKind::Gateway] = "192.168.2.1";
  bed.model.ApplyLanSettings();
  EXPECT_EQ(bed.user.messages, Strings{"Error (stop): You enter incorrect TCP/IP configuration. Please try again."});
  EXPECT_EQ(bed.view.focus, "3.0");
  EXPECT_EQ(bed.view.devices.size(), 3u);

  bed.user.messages.clear();
  bed.user.answers = {Credentials{"admin", platform::Secret("")}};
  bed.view.fields[FieldKind::Gateway] = "192.168.1.1";
  bed.view.fields[FieldKind::Address] = "192.168.1.150";
  bed.model.ApplyLanSettings();
  EXPECT_TRUE(bed.user.messages.empty());
  EXPECT_EQ(bed.model.selection().deviceAddress.str(), "192.168.1.150");
  EXPECT_EQ(bed.model.selection().deviceSelected, 1);
  EXPECT_EQ(bed.view.Panel(), "- - - Disable");
  EXPECT_EQ(bed.view.devices.at(0), "Office 192.168.1.150");

  // DHCP from the choice: the panel empties and ungreys, no device selected.
  bed.Click("192.168.1.150");
  bed.view.dhcp = true;
  bed.user.answers = {Credentials{"admin", platform::Secret("")}};
  bed.model.ApplyLanSettings();
  EXPECT_EQ(bed.user.messages, Strings{"Confirm (information): DHCP client enabled."});
  EXPECT_EQ(bed.view.Panel(), "- - - Enable");
  EXPECT_EQ(bed.model.selection().deviceSelected, 0);
  EXPECT_EQ(bed.view.devices.at(0), "Office 192.168.1.77");
}

}  // namespace
}  // namespace kfw::core
