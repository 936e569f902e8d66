// Placing a payload over the share-files fake: direct and staged, what
// counts as a failure, and what a failure leaves under the final name.

#include "addons/place_payload.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "addons/payload_store.h"
#include "tests/support/fake_share_files.h"

namespace kfw::addons {
namespace {

using platform::FakeShareFiles;

const std::string kStaged = "/tmp/kfw-stage/bt";
const std::string kShare = R"(\\10.1.1.5\HDD_a)";
const std::string kFinal = kShare + R"(\Nas_Prog/BT\bt)";
const std::string kCodepage = kShare + R"(\.codepages\codepage.850)";
const FakeShareFiles::Bytes kOlder{1, 2, 3};

class PlacePayload : public ::testing::Test {
 protected:
  FakeShareFiles::Bytes Bt() const {
    const auto b = FindPayload("BT", 215)->bytes;
    return {b.begin(), b.end()};
  }
  long Connects() const {
    return std::count_if(files.calls.begin(), files.calls.end(),
                         [](const std::string& c) { return c.rfind("connect ", 0) == 0; });
  }
  FakeShareFiles files;
  SharePayloadPlacer placer{files};
};

TEST_F(PlacePayload, DirectWriteToTheShare) {
  const std::string path = R"(\\10.1.1.5\HDD_1\.systemfile\.codepages\codepage.850)";
  EXPECT_TRUE(placer.PlacePayload("codepage", 143, path, ""));
  EXPECT_FALSE(placer.placementFailed);
  const auto b = FindPayload("Codepage", 143)->bytes;
  EXPECT_EQ(files.files.at(path), FakeShareFiles::Bytes(b.begin(), b.end()));
  EXPECT_EQ(files.files.size(), 1u) << "nothing left beside it";
  EXPECT_EQ(Connects(), 1);
}

TEST_F(PlacePayload, StagedCopyReplacesAnOlderFile) {
  files.files[kFinal] = kOlder;
  EXPECT_TRUE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_FALSE(placer.placementFailed);
  EXPECT_EQ(files.files.at(kFinal), Bt());
  EXPECT_EQ(files.files.size(), 1u) << "neither the staged nor the partial copy is left";
  EXPECT_EQ(Connects(), 6) << "a local staging path never connects";
}

TEST_F(PlacePayload, OlderFileThatStaysIsAFailure) {
  files.files[kFinal] = kOlder;
  files.stuckFiles.insert(kFinal);
  EXPECT_FALSE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_TRUE(placer.placementFailed);
  EXPECT_EQ(files.files.at(kFinal), kOlder);
  EXPECT_FALSE(files.files.count(kStaged)) << "the staged copy is deleted also on failure";
}

TEST_F(PlacePayload, ShareThatDropsMidWriteLeavesTheFinalNameAlone) {
  files.files[kFinal] = kOlder;
  files.droppingShares.insert(kShare);
  EXPECT_FALSE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_EQ(files.files.at(kFinal), kOlder) << "the device keeps a whole program";
  EXPECT_FALSE(files.files.count(kStaged));

  files.unreachableShares.clear();
  EXPECT_FALSE(placer.PlacePayload("Codepage", 143, kCodepage, ""));
  EXPECT_FALSE(files.files.count(kCodepage)) << "no module cut short under its name";
}

TEST_F(PlacePayload, ShareThatRefusesRenamesGetsTheWholeFileOrNothing) {
  files.renamelessShares.insert(kShare);
  files.files[kFinal] = kOlder;
  EXPECT_TRUE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_EQ(files.files.at(kFinal), Bt());
  EXPECT_EQ(files.files.size(), 1u);

  files.failingWrites.insert(kCodepage);
  EXPECT_FALSE(placer.PlacePayload("Codepage", 143, kCodepage, ""));
  EXPECT_FALSE(files.files.count(kCodepage)) << "the file that failed is removed";
}

TEST_F(PlacePayload, UnreachableShareFailsAfterSixAttempts) {
  files.unreachableShares.insert(R"(\\10.1.1.5\HDD_a)");
  EXPECT_FALSE(placer.PlacePayload("BT", 220, R"(\\10.1.1.5\HDD_a\Nas_Prog/BT\btdog)", ""));
  EXPECT_TRUE(placer.placementFailed);
  EXPECT_EQ(Connects(), 6);
}

TEST_F(PlacePayload, FailedWriteOrUnknownPayloadFails) {
  files.failingWrites = {kStaged};
  files.files[kFinal] = kOlder;
  EXPECT_FALSE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_TRUE(placer.placementFailed);
  EXPECT_EQ(files.files.at(kFinal), kOlder) << "a failed staged write leaves the device's copy alone";

  placer.placementFailed = false;
  EXPECT_FALSE(placer.PlacePayload("BT", 216, kFinal, ""));
  EXPECT_TRUE(placer.placementFailed);
}

}  // namespace
}  // namespace kfw::addons
