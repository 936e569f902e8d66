// Add-on installs over real SMB: the folders a device's settled share
// offers, a share that goes away once the device was opened for writing, and
// the Language and BitTorrent commands placing their files through smbd.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "addons/payload_store.h"
#include "core/addon_install.h"
#include "platform/fake_programs.h"
#include "platform/linux/smb_share_files.h"
#include "tests/integration/private_session.h"
#include "tests/integration/test_bed.h"
#include "tests/unit/scripted_interaction.h"

namespace kfw::integration {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDevices = R"(
[device]
name = Keeper
address = 10.201.1.50
shares = HDD_a:Media
sharename = , HDD_a

[device]
name = Leaver
address = 10.201.1.51
shares = HDD_1
sharename = hdd_1
vanish_share_ms = 0

[device]
name = Bare
address = 10.201.1.52
shares = Data
sharename = HDD_1

[device]
name = Vault
address = 10.201.1.53
shares = HDD_1
sharename = HDD_1
ideok = 3
bt_firmware = 1
codepage = 850

[device]
name = Fader
address = 10.201.1.54
shares = HDD_a
sharename = HDD_a
ideok = 3
bt_firmware = 1
vanish_share_ms = 0
)";

const BedSetup kBed{"kfwa", 1, "--smb", {{1, kDevices}}};

class AddonShares : public OnTestBed<kBed> {
 protected:
  void SetUp() override {
    OnTestBed::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (system("command -v smbclient >/dev/null") != 0) GTEST_SKIP() << "needs smbclient";
  }

  fs::path Device(const std::string& folder) const {
    return fs::path(bed_->stateDir()) / "smb-seg1" / folder;
  }
  // Writes a file into `dir` of the share as a guest; true when smbclient
  // reports no error.
  static bool Put(const std::string& address, const std::string& share, const std::string& dir,
                  const std::string& name) {
    const std::string local = "/tmp/kfw-addon-" + std::to_string(getpid());
    std::ofstream(local) << name;
    const std::string command = "smbclient //" + address + "/" + share + " -N -c 'cd \"" + dir +
                                "\"; put " + local + " " + name + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    for (char chunk[256]; fgets(chunk, sizeof chunk, pipe);) output += chunk;
    const bool ok = pclose(pipe) == 0 && output.find("NT_STATUS") == std::string::npos;
    fs::remove(local);
    return ok;
  }
};

TEST_F(AddonShares, SettledShareOffersTheInstallFolders) {
  for (const char* dir : {".codepages", "Nas_Prog/BT"}) {
    SCOPED_TRACE(dir);
    EXPECT_TRUE(Put("10.201.1.50", "HDD_a", dir, "k.txt"));
    EXPECT_TRUE(fs::exists(Device("1-Keeper/shares/HDD_a") / dir / "k.txt"));
  }
  EXPECT_FALSE(fs::exists(Device("1-Keeper/shares/Media/Nas_Prog")));
  // The lower-case answer names the HDD_1 share, which has its own layout.
  EXPECT_TRUE(fs::is_directory(Device("2-Leaver/shares/HDD_1/.systemfile/.codepages")));
  EXPECT_FALSE(fs::exists(Device("2-Leaver/shares/HDD_1/.codepages")));
  // A device that does not serve its share-name answer gets nothing more.
  EXPECT_EQ(std::distance(fs::directory_iterator(Device("3-Bare/shares/Data")), {}), 1);
}

TEST_F(AddonShares, ShareVanishesOnceOpenedForWriting) {
  ASSERT_TRUE(Put("10.201.1.51", "HDD_1", "Nas_Prog/BT", "before.txt"));
  Workstation ws;
  ASSERT_TRUE(ws.started);
  ws.client.DiscoverDevices(3, 3);
  ASSERT_FALSE(ws.Select("10.201.1.51").empty());
  ws.client.accessModeText = "rw";
  ASSERT_EQ(ws.client.SetAccessMode(), 1);
  for (int i = 0; i < 50 && bed_->Events(1, "10.201.1.51").size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(bed_->Events(1, "10.201.1.51"),
            (std::vector<std::string>{"access_mode rw", "vanished HDD_1"}));
  EXPECT_FALSE(Put("10.201.1.51", "HDD_1", "Nas_Prog/BT", "after.txt"));
  EXPECT_TRUE(fs::exists(Device("2-Leaver/vanished/HDD_1/Nas_Prog/BT/before.txt")));
  EXPECT_FALSE(fs::exists(Device("2-Leaver/vanished/HDD_1/Nas_Prog/BT/after.txt")));
  EXPECT_TRUE(bed_->Events(1, "10.201.1.50").empty());
}

std::string Text(const addons::Payload& payload) {
  return std::string(payload.bytes.begin(), payload.bytes.end());
}

// The two installs of the window, with the program's own SMB client.
struct Installer {
  explicit Installer(const std::string& address) {
    ws.client.DiscoverDevices(3, 3);
    found = !ws.Select(address).empty();
  }
  bool Language(int index) {
    user.languages = {index};
    return core::LanguageCommand(services, true, ws.client.selectedAddress.str());
  }
  bool BitTorrent() { return core::BitTorrentCommand(services, true, ws.client.selectedAddress.str()); }

  Workstation ws;
  bool found = false;
  platform::SmbShareFiles files;
  addons::SharePayloadPlacer placer{files};
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  core::ScriptedInteraction user;
  core::AddonState state;
  core::AddonServices services{ws.client, placer, files, programs, browser, ws.clock, user, state,
                               core::AddonTimings{.languagePoll = std::chrono::milliseconds(10),
                                                  .btFirstPause = std::chrono::milliseconds(10),
                                                  .btPoll = std::chrono::milliseconds(10)}};
};

TEST_F(AddonShares, InstallsWriteEveryFileByteForByteAndTellTheDevice) {
  Installer install("10.201.1.53");
  ASSERT_TRUE(install.found);
  const fs::path share = Device("4-Vault/shares/HDD_1");
  EXPECT_TRUE(install.Language(7));  // Cyrillic, the longest list
  EXPECT_EQ(install.user.messages, (std::vector<std::string>{"language?", "loading", "restart"}));
  std::vector<std::string> names;
  for (const auto& file : fs::directory_iterator(share / ".systemfile/.codepages"))
    names.push_back(file.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"codepage.866", "nls_cp866.ko", "nls_cp866_12.ko", "nls_koi8-r.ko",
                                             "nls_koi8-r_12.ko", "unicode_map.866", "unicode_map.KOI8-R"}));
  for (const auto* payload : {addons::FindPayload("Codepage", 188), addons::FindPayload("Codepage", 184),
                              addons::FindPayload("Codepage", 171)}) {
    EXPECT_TRUE(Slurp(share / ".systemfile/.codepages" / std::string(payload->fileName)) == Text(*payload))
        << payload->fileName;
  }

  install.user.messages.clear();
  EXPECT_TRUE(install.BitTorrent());
  EXPECT_EQ(install.user.messages, (std::vector<std::string>{"loading", "restart"}));
  for (const auto* payload : {addons::FindPayload("BT", 215), addons::FindPayload("BT", 220)}) {
    EXPECT_TRUE(Slurp(share / "Nas_Prog/BT" / std::string(payload->fileName)) == Text(*payload))
        << payload->fileName;
  }
  EXPECT_TRUE(install.state.stagingFolder.empty() || !fs::exists(install.state.stagingFolder));
  EXPECT_EQ(bed_->Events(1, "10.201.1.53"),
            (std::vector<std::string>{"access_mode rw", "codepage 866", "access_mode rw", "addon BT"}));
}

TEST_F(AddonShares, AShareGoneMidInstallIsNeverASuccess) {
  Installer install("10.201.1.54");
  ASSERT_TRUE(install.found);
  EXPECT_FALSE(install.BitTorrent());
  EXPECT_EQ(install.user.messages, (std::vector<std::string>{"loading", " (none): Please check hard drives."}));
  const auto events = bed_->Events(1, "10.201.1.54");
  EXPECT_NE(std::find(events.begin(), events.end(), "control stop"), events.end());
  EXPECT_EQ(std::find(events.begin(), events.end(), "addon BT"), events.end());
}

}  // namespace
}  // namespace kfw::integration
