// Placing a payload over the share-files fake: direct and staged, and what
// counts as a failure.

#include "addons/place_payload.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "addons/payload_store.h"
#include "platform/fake_share_files.h"

namespace kfw::addons {
namespace {

using platform::FakeShareFiles;

const std::string kStaged = "/tmp/kfw-stage/bt";
const std::string kFinal = R"(\\10.1.1.5\HDD_a\Nas_Prog/BT\bt)";

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
  EXPECT_EQ(Connects(), 1);
}

TEST_F(PlacePayload, StagedCopyReplacesAnOlderFile) {
  files.files[kFinal] = {1, 2, 3};
  EXPECT_TRUE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_FALSE(placer.placementFailed);
  EXPECT_EQ(files.files.at(kFinal), Bt());
  EXPECT_FALSE(files.files.count(kStaged));
  EXPECT_EQ(Connects(), 6) << "a local staging path never connects";
  const std::vector<std::string> tail(files.calls.end() - 4, files.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"write " + kStaged, "remove " + kFinal,
                                            "copy " + kStaged + " " + kFinal, "remove " + kStaged}));
}

TEST_F(PlacePayload, OlderFileThatStaysIsAFailure) {
  files.files[kFinal] = {1, 2, 3};
  files.stuckFiles.insert(kFinal);
  EXPECT_FALSE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_TRUE(placer.placementFailed);
  EXPECT_EQ(files.files.at(kFinal), (FakeShareFiles::Bytes{1, 2, 3}));
  EXPECT_FALSE(files.files.count(kStaged)) << "the staged copy is deleted also on failure";
}

TEST_F(PlacePayload, UnreachableShareFailsAfterSixAttempts) {
  files.unreachableShares.insert(R"(\\10.1.1.5\HDD_a)");
  EXPECT_FALSE(placer.PlacePayload("BT", 220, R"(\\10.1.1.5\HDD_a\Nas_Prog/BT\btdog)", ""));
  EXPECT_TRUE(placer.placementFailed);
  EXPECT_EQ(Connects(), 6);
}

TEST_F(PlacePayload, FailedWriteOrUnknownPayloadFails) {
  const std::string path = R"(\\10.1.1.5\HDD_a\Nas_Prog/BT\bt)";
  files.failingWrites.insert(path);
  EXPECT_FALSE(placer.PlacePayload("BT", 215, path, ""));
  EXPECT_TRUE(placer.placementFailed);
  files.failingWrites = {kStaged};
  EXPECT_FALSE(placer.PlacePayload("BT", 215, kStaged, kFinal));
  EXPECT_FALSE(files.files.count(kFinal)) << "a half-written staged copy goes no further";

  placer.placementFailed = false;
  EXPECT_FALSE(placer.PlacePayload("BT", 216, path, ""));
  EXPECT_TRUE(placer.placementFailed);
}

}  // namespace
}  // namespace kfw::addons
