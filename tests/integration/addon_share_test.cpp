// The devices' side of an add-on install, over real SMB: the folders their
// settled share offers, and a share that goes away once a device was opened
// for writing. Files go over with smbclient, as a guest.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/integration/test_bed.h"

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

}  // namespace
}  // namespace kfw::integration
