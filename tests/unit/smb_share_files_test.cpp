// Share files on the local side: how a \\ path becomes a URL, and local
// files written, copied without overwriting, renamed over and removed. No
// SMB traffic.

#include "platform/linux/smb_share_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace kfw::platform {
namespace {

namespace fs = std::filesystem;

TEST(SmbShareFiles, BackslashPathsBecomeSmbUrls) {
  EXPECT_EQ(SmbShareFiles::UrlOf(R"(\\10.1.1.5\HDD_a\Nas_Prog/BT\bt)"), "smb://10.1.1.5/HDD_a/Nas_Prog/BT/bt");
  EXPECT_EQ(SmbShareFiles::UrlOf(R"(\\Vault\HDD_1\100%\x)"), "smb://Vault/HDD_1/100%25/x");
  EXPECT_EQ(SmbShareFiles::UrlOf("/tmp/x"), std::nullopt);
  EXPECT_EQ(SmbShareFiles::UrlOf(R"(\tmp\x)"), std::nullopt);
}

TEST(SmbShareFiles, LocalFilesInAStagingFolder) {
  SmbShareFiles files;
  const auto stage = files.CreateStagingFolder();
  ASSERT_TRUE(stage);
  EXPECT_EQ(fs::status(*stage).permissions(), fs::perms::owner_all);
  const std::string a = *stage + "/a", b = *stage + "/b";
  EXPECT_FALSE(files.Connect(a)) << "a local path has no share";
  const std::vector<uint8_t> bytes(3 << 20, 0x5A), other{1, 2};
  EXPECT_TRUE(files.Write(a, bytes));
  EXPECT_TRUE(files.Write(b, other));
  EXPECT_TRUE(files.Write(a, bytes)) << "an existing file is truncated";
  EXPECT_EQ(fs::file_size(a), bytes.size());
  EXPECT_FALSE(files.CopyNew(a, b)) << "the copy never overwrites";
  EXPECT_EQ(files.FailureReason(), "cannot create " + b + ": File exists");
  EXPECT_EQ(fs::file_size(b), other.size());
  EXPECT_TRUE(files.Remove(b));
  EXPECT_FALSE(files.Remove(b));
  EXPECT_TRUE(files.CopyNew(a, b));
  EXPECT_EQ(fs::file_size(b), bytes.size());
  EXPECT_TRUE(files.Exists(b));
  // The time limit is for shares: staging goes on past it.
  files.LimitTime(std::chrono::milliseconds(0));
  EXPECT_TRUE(files.Write(a, other));
  EXPECT_TRUE(files.Replace(a, b)) << "a rename takes the place of the older file";
  EXPECT_EQ(fs::file_size(b), other.size());
  EXPECT_FALSE(fs::exists(a));
  EXPECT_FALSE(files.Write(*stage + "/missing/c", other));
  EXPECT_EQ(files.FailureReason(), "cannot create " + *stage + "/missing/c: No such file or directory");
  files.RemoveStagingFolder(*stage);
  EXPECT_FALSE(fs::exists(*stage));
}

}  // namespace
}  // namespace kfw::platform
