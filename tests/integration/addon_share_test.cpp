// The simulated devices' shares over real SMB, which findway's add-on
// installs rely on: the folders a device's settled share offers. (A share
// that goes once the device is opened for writing is findway's install test.)

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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

}  // namespace
}  // namespace kfw::integration
