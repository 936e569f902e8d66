// Placing add-on payloads on a simulated device's share through its real
// smbd, staged through a local folder as the BitTorrent install does.

#include <filesystem>
#include <fstream>
#include <iterator>

#include "addons/payload_store.h"
#include "addons/place_payload.h"
#include "platform/linux/smb_share_files.h"
#include "tests/integration/test_bed.h"

namespace kfw::integration {
namespace {

namespace fs = std::filesystem;

const BedSetup kBed{"kfwpl", 1, "--smb", {{1, R"(
[device]
name = Shelf
address = 10.201.1.40
netmask = 255.255.0.0
shares = HDD_a
)"}}};

class PlacePayloadOnShare : public OnTestBed<kBed> {
 protected:
  fs::path Share() const { return fs::path(bed_->stateDir()) / "smb-seg1" / "1-Shelf" / "shares" / "HDD_a"; }
  platform::SmbShareFiles files;
  addons::SharePayloadPlacer placer{files};
};

TEST_F(PlacePayloadOnShare, StagedProgramReachesTheShareByteForByte) {
  // The device's layout is not the simulator's yet: make the folder here.
  fs::create_directories(Share() / "Nas_Prog" / "BT");
  std::ofstream(Share() / "Nas_Prog" / "BT" / "bt") << "an older program";
  const auto stage = files.CreateStagingFolder();
  ASSERT_TRUE(stage);
  EXPECT_EQ(fs::status(*stage).permissions(), fs::perms::owner_all);

  const double seconds = SecondsFor([&] {
    EXPECT_TRUE(placer.PlacePayload("BT", 215, *stage + "/bt", R"(\\10.201.1.40\HDD_a\Nas_Prog/BT\bt)"));
  });
  std::cout << "placed 6,940,408 bytes staged: " << seconds << " s\n";
  EXPECT_FALSE(placer.placementFailed);
  EXPECT_FALSE(fs::exists(*stage + "/bt"));
  std::ifstream placed(Share() / "Nas_Prog" / "BT" / "bt", std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(placed), {}};
  const auto payload = addons::FindPayload("BT", 215)->bytes;
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), payload.begin(), payload.end()))
      << bytes.size() << " bytes on the share";
  files.RemoveStagingFolder(*stage);
  EXPECT_FALSE(fs::exists(*stage));
}

TEST_F(PlacePayloadOnShare, ShareThatDoesNotExistFails) {
  EXPECT_FALSE(files.Connect(R"(\\10.201.1.40\HDD_b\x)"));
  EXPECT_TRUE(files.Connect(R"(\\10.201.1.40\HDD_a\x)"));
  EXPECT_FALSE(placer.PlacePayload("BT", 220, R"(\\10.201.1.40\HDD_b\btdog)", ""));
  EXPECT_TRUE(placer.placementFailed);
}

}  // namespace
}  // namespace kfw::integration
