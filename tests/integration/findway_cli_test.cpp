// The findway command itself, run as a program in the test bed's
// workstation namespace: exit status, output, and what the devices
// received. The add-on installs run with the restart wait shrunk
// (KFW_TEST_SHORT_WAITS=1). Map and unmap are with the network drives'
// tests, in their private session.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "addons/payload_store.h"
#include "tests/integration/private_session.h"  // Slurp, Eventually
#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Whether segment 1 heard a set request.
bool AnySet(const std::map<int, Strings>& sent) {
  return std::any_of(sent.at(1).begin(), sent.at(1).end(), [](const std::string& hex) { return hex.rfind("05", 0) == 0; });
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

constexpr const char* kAdmin = "Kfw-cli-admin-3";
const std::string kDevices = std::string(R"(
[device]
name = Keeper
address = 10.201.1.60
netmask = 255.255.0.0
gateway = 10.201.0.254
shares = HDD_1
sharename = HDD_1
ideok = 3
bt_firmware = 1
ssl = 1
admin_password = )") + kAdmin + R"(

[device]
name = Mover
address = 10.201.1.61
netmask = 255.255.0.0
gateway = 10.201.0.254
dhcp_address = 10.201.9.61
admin_password = )" + kAdmin + R"(

[device]
name = Mute
address = 10.201.1.62
netmask = 255.255.0.0
web = off

[device]
name = Fader
address = 10.201.1.63
shares = HDD_a
sharename = HDD_a
ideok = 3
bt_firmware = 1
vanish_share_ms = 0

[device]
name = Deaf
address = 10.201.1.64
shares = HDD_1
sharename = HDD_1
ideok = 3
codepage = 850
ignore_items = 8

[device]
name = Apart
address = 10.201.1.65
netmask = 255.255.255.255
)";

const BedSetup kBed{"kfwc", 1, "--smb", {{1, kDevices}}};
const Strings kShortWaits{"KFW_TEST_SHORT_WAITS=1"};

class Findway : public OnTestBed<kBed> {
 protected:
  // The device at `ip` as `discover --json` lists it; null when it is not.
  static json Listed(const std::string& ip) {
    const Ran listed = RunFindway({"discover", "--json"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    for (const json& device : json::parse(listed.out)) {
      if (device["ip"] == ip) return device;
    }
    return {};
  }
};

TEST_F(Findway, DiscoverListsAsJsonAndWatchesUntilInterrupted) {
  const Ran listed = RunFindway({"discover", "--json"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const json devices = json::parse(listed.out);
  std::set<std::string> ips;
  for (const json& device : devices) ips.insert(device["ip"].get<std::string>());
  EXPECT_EQ(ips, (std::set<std::string>{"10.201.1.60", "10.201.1.61", "10.201.1.62", "10.201.1.63", "10.201.1.64",
                                          "10.201.1.65"}));

  const Ran watched = RunFindway({"discover", "--watch", "1", "--json"}, "", {}, 4);
  EXPECT_EQ(watched.status, 0) << watched.err;
  std::istringstream lines(watched.out);
  Strings events;
  for (std::string line; std::getline(lines, line);) {
    const json event = json::parse(line);
    events.push_back(event["event"].get<std::string>() + " " + event["name"].get<std::string>());
  }
  std::sort(events.begin(), events.end());
  // Later rounds find the same devices: nothing more is written.
  EXPECT_EQ(events, (Strings{"appeared Apart", "appeared Deaf", "appeared Fader", "appeared Keeper", "appeared Mover",
                             "appeared Mute"}));
}

TEST_F(Findway, SetAddressTakesThePasswordFromStandardInputOnly) {
  // Bad arguments: refused before anything is sent.
  Ran ran;
  auto sent = bed_->RequestsDuring([&] { ran = RunFindway({"set-address", "10.201.1.61", "--dhcp", "--static"}); });
  EXPECT_EQ(ran.status, 2);
  EXPECT_TRUE(sent.at(1).empty());

  for (const auto& [input, options] : std::vector<std::pair<std::string, Strings>>{
           {"wrong\n", {"--password-stdin"}}, {"", {}}}) {
    Strings args{"set-address", "10.201.1.61", "--dhcp"};
    args.insert(args.end(), options.begin(), options.end());
    sent = bed_->RequestsDuring([&] { ran = RunFindway(args, input); });
    EXPECT_EQ(ran.status, 3) << ran.err;
    // The message, then the reason on a line of its own.
    EXPECT_EQ(ran.err, "Error: Wrong administrator password input!\n"
                       "findway: 10.201.1.61 did not accept the password of admin\n");
    EXPECT_FALSE(AnySet(sent)) << "a refused password sends no set request";
    EXPECT_FALSE(sent.at(1).empty()) << "the login was asked";
  }

  // The device takes every field, and the next discovery lists it there.
  sent = bed_->RequestsDuring([&] {
    ran = RunFindway({"set-address", "10.201.1.61", "--static", "10.201.1.71", "255.255.255.0", "10.201.1.1",
                      "--password-stdin"},
                     std::string(kAdmin) + "\n");
  });
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "10.201.1.71\n");
  EXPECT_TRUE(AnySet(sent));
  EXPECT_EQ(Listed("10.201.1.61"), json()) << "the old address is gone";
  const json moved = Listed("10.201.1.71");
  EXPECT_EQ(moved["netmask"], "255.255.255.0");
  EXPECT_EQ(moved["gateway"], "10.201.1.1");

  ran = RunFindway({"set-address", "10.201.1.71", "--dhcp", "--password-stdin"}, std::string(kAdmin) + "\n");
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "10.201.9.61\n");
  EXPECT_EQ(ran.err, "Confirm: DHCP client enabled.\n");
  EXPECT_EQ(Listed("10.201.9.61")["dhcp"], true);
  EXPECT_EQ(RunFindway({"console", "10.201.9.61", "--print"}).status, 0) << "its web console moved with it";
}

TEST_F(Findway, ConsoleChecksTheDeviceThenOpensOrPrints) {
  Ran ran = RunFindway({"console", "10.201.1.60", "--print"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "https://10.201.1.60\n");
  EXPECT_EQ(ran.err, "");
  // Outside its interface's subnet by its own netmask: said, and still done.
  ran = RunFindway({"console", "10.201.1.65", "--print"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "http://10.201.1.65\n");
  EXPECT_TRUE(Has(ran.err, "findway: 10.201.1.65 (netmask 255.255.255.255) is outside the subnet of the interface "
                           "that found it (10.201.0.1); ")) << ran.err;
  EXPECT_TRUE(Has(ran.err, "); the window would not offer Configuration for it\n")) << ran.err;
  ran = RunFindway({"console", "10.201.1.62", "--print"});
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(ran.out, "");
  EXPECT_EQ(ran.err, "Warning: Device is no longer available.\nfindway: 10.201.1.62 does not answer on its web port\n");
  EXPECT_EQ(RunFindway({"console", "10.201.1.99"}).status, 1);

  // A desktop of the test's own whose default browser records its address;
  // no xdg-settings on the path may answer with the machine's browser.
  std::string root = (fs::temp_directory_path() / "kfwc-desktop.XXXXXX").string();
  ASSERT_TRUE(mkdtemp(root.data()));
  const std::string record = root + "/record";
  fs::create_directories(root + "/data/applications");
  fs::create_directories(root + "/config");
  std::ofstream(root + "/browser") << "#!/bin/sh\necho \"$@\" >> " << record << "\n";
  fs::permissions(root + "/browser", fs::perms(0755));
  std::ofstream(root + "/data/applications/kfwc-recorder.desktop")
      << "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" << root << "/browser %u\n";
  std::ofstream(root + "/config/mimeapps.list")
      << "[Default Applications]\nx-scheme-handler/http=kfwc-recorder.desktop\n";
  const Strings desktop{"XDG_CONFIG_HOME=" + root + "/config", "XDG_DATA_HOME=" + root + "/data",
                        "PATH=" + root + "/no-programs"};
  ran = RunFindway({"console", "10.201.1.60"}, "", desktop);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_TRUE(Eventually([&] { return Slurp(record) == "https://10.201.1.60\n"; })) << Slurp(record);
  // No browser at all: nothing could be started.
  fs::remove(root + "/browser");
  ran = RunFindway({"console", "10.201.1.60"}, "", desktop);
  EXPECT_EQ(ran.status, 4) << ran.err;
  EXPECT_TRUE(Has(ran.err, "findway: no browser could be started for https://10.201.1.60: ")) << ran.err;
  fs::remove_all(root);
}

// Every file in `folder` holds, byte for byte, a payload of `kind` of its
// name; answers the names, sorted.
Strings PlacedPayloads(const fs::path& folder, std::string_view kind) {
  Strings names;
  for (const auto& file : fs::directory_iterator(folder)) {
    const std::string name = file.path().filename(), bytes = Slurp(file.path());
    names.push_back(name);
    EXPECT_TRUE(std::ranges::any_of(addons::AllPayloads(), [&](const addons::Payload& p) {
      return p.kind == kind && p.fileName == name && std::string(p.bytes.begin(), p.bytes.end()) == bytes;
    })) << name;
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(Findway, InstallsLanguageAndBitTorrentOrReportsTheRefusal) {
  const fs::path share = fs::path(bed_->stateDir()) / "smb-seg1" / "1-Keeper" / "shares" / "HDD_1";
  Ran ran = RunFindway({"install-language", "10.201.1.60", "cyrillic"}, "", kShortWaits);  // the longest list
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_TRUE(Has(ran.err, "Loading...\n")) << ran.err;
  EXPECT_TRUE(Has(ran.err, "The device is restarting: 100%\nThe device has restarted.\n")) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60"), (Strings{"access_mode rw", "codepage 866"}));
  EXPECT_EQ(PlacedPayloads(share / ".systemfile/.codepages", "Codepage"),
            (Strings{"codepage.866", "nls_cp866.ko", "nls_cp866_12.ko", "nls_koi8-r.ko", "nls_koi8-r_12.ko",
                     "unicode_map.866", "unicode_map.KOI8-R"}));

  // Disk state 3: the firmware takes no Turkish.
  ran = RunFindway({"install-language", "10.201.1.60", "857"}, "", kShortWaits);
  EXPECT_EQ(ran.status, 3);
  EXPECT_TRUE(Has(ran.err, "This codepage does not supported in this firmware.")) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60").size(), 2u);

  auto sent = bed_->RequestsDuring(
      [&] { ran = RunFindway({"install-bt", "10.201.1.60", "--password-stdin"}, "wrong\n", kShortWaits); });
  EXPECT_EQ(ran.status, 3);
  EXPECT_FALSE(AnySet(sent));
  std::ofstream(share / "Nas_Prog/BT/bt") << "an older program";  // replaced through the staging folder
  ran = RunFindway({"install-bt", "10.201.1.60", "--password-stdin"}, std::string(kAdmin) + "\n", kShortWaits);
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(bed_->Events(1, "10.201.1.60"),
            (Strings{"access_mode rw", "codepage 866", "access_mode rw", "addon BT"}));
  EXPECT_EQ(PlacedPayloads(share / "Nas_Prog/BT", "BT"), (Strings{"bt", "btdog"}));
  EXPECT_FALSE(Has(ran.err, kAdmin));

  // A share that goes once the device is opened for writing: never a success.
  ran = RunFindway({"install-bt", "10.201.1.63", "--password-stdin"}, "\n", kShortWaits);
  EXPECT_EQ(ran.status, 4) << ran.err;
  EXPECT_TRUE(Has(ran.err, "Please check hard drives.\nfindway: cannot ")) << ran.err;
  EXPECT_TRUE(Has(ran.err, "\\\\10.201.1.63\\")) << "the reason names the share: " << ran.err;
  const Strings events = bed_->Events(1, "10.201.1.63");
  EXPECT_NE(std::find(events.begin(), events.end(), "control stop"), events.end());
  EXPECT_EQ(std::find(events.begin(), events.end(), "addon BT"), events.end());

  // Every file placed, but the code page never confirmed: nothing answered.
  ran = RunFindway({"install-language", "10.201.1.64", "866"}, "", kShortWaits);
  EXPECT_EQ(ran.status, 1) << ran.err;
  EXPECT_TRUE(Has(ran.err, "The device did not confirm the installation.")) << ran.err;
  EXPECT_FALSE(Has(ran.err, "restart")) << ran.err;
}

}  // namespace
}  // namespace kfw::integration
