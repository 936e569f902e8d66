// The simulated devices' shares over real SMB, which findway's add-on
// installs rely on: the folders a device's settled share offers, and
// installs over a link that crawls, a share that goes in the middle of a
// copy and a file service that never answers. (A share that goes as soon as
// the device is opened for writing is findway's install test.)

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "addons/payload_store.h"
#include "platform/linux/smb_share_files.h"
#include "tests/integration/private_session.h"  // Slurp
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

[device]
name = Sleeper
address = 10.201.1.53
shares = HDD_1
sharename = HDD_1
ideok = 3
smb_stalled = 1

[device]
name = Dropper
address = 10.201.1.54
shares = HDD_a
sharename = HDD_a
ideok = 3
bt_firmware = 1
vanish_share_ms = 5000

[device]
name = Crawler
address = 10.201.1.55
shares = HDD_a
sharename = HDD_a
ideok = 3
bt_firmware = 1
)";
const Strings kShortWaits{"KFW_TEST_SHORT_WAITS=1"};

bool Has(const Strings& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

// Traffic from the workstation to 10.201.1.54 and .55 at 4 Mbit/s (about
// 500 KB/s: the add-on's programs take some 14 s), for as long as it lives.
class SlowLink {
 public:
  SlowLink() {
    FILE* pipe = popen("ip -o route get 10.201.1.54", "r");
    char line[512] = {};
    if (pipe && fgets(line, sizeof line, pipe)) {
      std::string_view text(line);
      if (const auto at = text.find(" dev "); at != std::string_view::npos) {
        text.remove_prefix(at + 5);
        device_ = text.substr(0, text.find(' '));
      }
    }
    if (pipe) pclose(pipe);
    const std::string tc = "tc qdisc add dev " + device_;
    ok_ = !device_.empty() &&
          system((tc + " root handle 1: htb default 1 && tc class add dev " + device_ +
                  " parent 1: classid 1:1 htb rate 10gbit quantum 60000 && tc class add dev " + device_ +
                  " parent 1: classid 1:2 htb rate 4mbit && tc filter add dev " + device_ +
                  " parent 1: protocol ip u32 match ip dst 10.201.1.54/31 flowid 1:2")
                     .c_str()) == 0;
  }
  ~SlowLink() {
    if (device_.empty()) return;
    const bool removed = system(("tc qdisc del dev " + device_ + " root 2>/dev/null").c_str()) == 0;
    if (ok_ && !removed) ADD_FAILURE() << "the link stays slow";
  }
  bool ok() const { return ok_; }

 private:
  std::string device_;
  bool ok_ = false;
};

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

TEST_F(AddonShares, ProgramsReachTheShareWholeOrNotAtAll) {
  const SlowLink slow;
  ASSERT_TRUE(slow.ok()) << "cannot slow the link with tc";
  const auto program = addons::FindPayload("BT", 215)->bytes;
  const std::string bt(program.begin(), program.end());
  const fs::path crawler = Device("6-Crawler/shares/HDD_a/Nas_Prog/BT");
  std::ofstream(crawler / "bt") << "an older program";
  Ran ran = RunFindway({"install-bt", "10.201.1.55", "--password-stdin"}, "\n", kShortWaits);
  EXPECT_EQ(ran.status, 0) << "a slow device that takes the bytes is a success: " << ran.err;
  EXPECT_TRUE(Slurp(crawler / "bt") == bt);
  EXPECT_EQ(std::distance(fs::directory_iterator(crawler), {}), 2) << "bt and btdog, nothing beside them";

  // The share goes some way into the copy of bt: the device keeps the
  // program it had, never a part of the new one.
  const fs::path dropper = Device("5-Dropper/shares/HDD_a/Nas_Prog/BT");
  std::ofstream(dropper / "bt") << "an older program";
  ran = RunFindway({"install-bt", "10.201.1.54", "--password-stdin"}, "\n", kShortWaits);
  EXPECT_EQ(ran.status, 4) << ran.err;
  EXPECT_NE(ran.err.find("Please check hard drives."), std::string::npos) << ran.err;
  const Strings events = bed_->Events(1, "10.201.1.54");
  EXPECT_TRUE(Has(events, "vanished HDD_a"));
  EXPECT_TRUE(Has(events, "control stop"));
  EXPECT_FALSE(Has(events, "addon BT"));
  const fs::path gone = Device("5-Dropper/vanished/HDD_a/Nas_Prog/BT");
  const std::string kept = Slurp(gone / "bt");
  EXPECT_TRUE(kept == "an older program") << "bt holds " << kept.size() << " bytes";
  // The share did go in the middle of the copy: part of the program is there.
  EXPECT_TRUE(std::ranges::any_of(fs::directory_iterator(gone), [&](const fs::directory_entry& file) {
    return file.file_size() > 0 && file.file_size() < bt.size();
  }));
}

TEST_F(AddonShares, FileServiceThatNeverAnswersEndsTheInstallWithinAMinute) {
  // Every call to the share gives up at the time limit, however many
  // connection attempts come first.
  platform::SmbShareFiles files;
  files.LimitTime(std::chrono::seconds(3));
  const std::string path = R"(\\10.201.1.53\HDD_1\.systemfile\.codepages\codepage.866)";
  const double limited = SecondsFor([&] {
    for (int attempt = 0; attempt < 3; ++attempt) EXPECT_FALSE(files.Connect(path));
    EXPECT_FALSE(files.Write(path, std::vector<uint8_t>(100)));
  });
  EXPECT_LT(limited, 4.5);

  // The run's allowance, one clean-up of a few seconds and some slack.
  Ran ran;
  const double seconds =
      SecondsFor([&] { ran = RunFindway({"install-language", "10.201.1.53", "cyrillic"}, "", kShortWaits); });
  RecordProperty("seconds", std::to_string(seconds));
  EXPECT_LT(seconds, 45.0);
  EXPECT_EQ(ran.status, 4) << ran.err;
  EXPECT_NE(ran.err.find("Please check hard drives."), std::string::npos) << ran.err;
  EXPECT_TRUE(Has(bed_->Events(1, "10.201.1.53"), "control stop"));
}

}  // namespace
}  // namespace kfw::integration
