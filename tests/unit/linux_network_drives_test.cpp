#include <gtest/gtest.h>

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/linux/gtk_bookmarks.h"
#include "platform/linux/gvfs_mounts.h"
#include "platform/linux/linux_network_drives.h"

namespace kfw::platform {
namespace {

TEST(SmbLocationTest, RemoteNamesBecomeUrisWithTheUserAndDomain) {
  const struct {
    std::string remote, user;
    std::optional<std::string> password;
    std::optional<std::string> uri;
    std::string domain, name, secret;
  } rows[] = {
      {R"(\\Archive\HDD_1)", "", "", "smb://Archive/HDD_1", "", "", ""},
      {R"(\\nas1\My Share)", "bob", "pw", "smb://bob@nas1/My%20Share", "", "bob", "pw"},
      {R"(\\nas1\v)", R"(CORP\a;b@c)", std::nullopt, "smb://CORP;a%3Bb%40c@nas1/v", "CORP", "a;b@c", ""},
      {R"(\\nas1)", "", "", std::nullopt, "", "", ""},
      {R"(\\nas1\)", "", "", std::nullopt, "", "", ""},
      {R"(\\nas1\v\sub)", "", "", std::nullopt, "", "", ""},
      {R"(\\\v)", "", "", std::nullopt, "", "", ""},
      {R"(nas1\v)", "", "", std::nullopt, "", "", ""},
  };
  for (const auto& row : rows) {
    const SmbCredentials c = CredentialsFor(row.user, row.password);
    EXPECT_EQ(SmbUri(row.remote, c), row.uri) << row.remote;
    EXPECT_EQ(std::tie(c.domain, c.user, c.password), std::tie(row.domain, row.name, row.secret));
    EXPECT_EQ(c.guest(), row.user.empty()) << "a left-out password is an empty one";
  }
}

TEST(GtkBookmarksTest, AddsReplacesAndRemovesOnlyItsLine) {
  const std::string others = "file:///home/u/Music Music\n\nsftp://h/ h\n";
  const std::string k = "file:///run/user/0/gvfs/smb-share:server=a,share=b";
  const std::string added = WithBookmark(others, k, "K: b on\na");
  EXPECT_EQ(added, others + k + " K: b on a\n");
  EXPECT_EQ(WithBookmark(added, k, "K: again"), others + k + " K: again\n");
  EXPECT_EQ(WithoutBookmark(added, k), others);
  EXPECT_EQ(WithoutBookmark(others, k), others);
  EXPECT_EQ(WithoutBookmark(k + "x\n" + k, k), k + "x\n") << "another URI that starts alike";
  EXPECT_EQ(FolderUri("/run/a b,c"), "file:///run/a%20b,c");
}

TEST(LinuxNetworkDrivesTest, UserNameIsTheLoggedOnUserNotTheEnvironment) {
  const char* before = std::getenv("USER");
  const std::string saved = before ? before : "";
  setenv("USER", "someone-else", 1);
  const passwd* me = getpwuid(geteuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(LinuxNetworkDrives("/nonexistent/table").UserName(), me->pw_name);
  before ? setenv("USER", saved.c_str(), 1) : unsetenv("USER");
}

}  // namespace
}  // namespace kfw::platform
