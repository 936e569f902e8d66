#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <sstream>
#include <tuple>

#include "core/windows_version.h"
#include "platform/atomic_file.h"
#include "platform/linux/gtk_bookmarks.h"
#include "platform/linux/gvfs_mounts.h"
#include "platform/linux/linux_network_drives.h"
#include "platform/linux/linux_system_info.h"
#include "scratch.h"
#include "shares/drive_table.h"

namespace kfw::platform {
namespace {

namespace fs = std::filesystem;
using enum DriveKind;

TEST(SmbLocationTest, RemoteNamesBecomeUrisWithTheUserAndDomain) {
  using Text = std::optional<std::string>;
  const struct { std::string remote, user; Text password, uri; std::string domain, name, secret; } rows[] = {
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


TEST(ParseConnectionTableTest, ReadsLinesAndSkipsThoseOfAnotherShape) {
  const std::string line = "K:\t\\\\nas1\\Volume_1\t/mnt/k";
  const DriveConnection k{"K:", R"(\\nas1\Volume_1)", "/mnt/k"};
  const std::pair<std::string, std::vector<DriveConnection>> rows[] = {
      {"k" + line.substr(1) + "\r\n", {k}}, {"# drive\n\n" + line + "\n\n", {k}},
      {"Q:\t\\\\nas1\\My Share\t/mnt/my share", {{"Q:", R"(\\nas1\My Share)", "/mnt/my share"}}},
      {"K:\t\\\\nas1\\Volume_1\t\n", {{"K:", R"(\\nas1\Volume_1)", ""}}},
      {"K:\t\\\\old\\x\t/old\nM:\t\\\\nas1\\m\t/m\n" + line, {k, {"M:", R"(\\nas1\m)", "/m"}}}};
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(platform::ParseConnectionTable(text), expected) << text;
  for (const char* bad :
       {"K:\t\\\\nas1\\Volume_1", "KK:\ta\tb", "1:\ta\tb", "C:\ta\tb", "L:\t\t/mnt/l"})
    EXPECT_EQ(platform::ParseConnectionTable(bad + ("\n" + line)), std::vector{k}) << bad;
}

using Folders = std::vector<std::string>;
using namespace std::chrono_literals;

struct ConnectionTableTest : Scratch {
  static long FilesIn(const fs::path& d) { return std::distance(fs::directory_iterator(d), {}); }
};

TEST_F(ConnectionTableTest, RemembersConnectionsAndAnswersForLiveMounts) {
  const fs::path file = root / "korvex-findway" / "network-drives";
  platform::ConnectionTable table(file);
  EXPECT_TRUE(table.Read().empty()) << "a missing file is an empty table";
  // What a line could not hold is refused (the parser's other checks apply too).
  EXPECT_FALSE(table.Add({"K:", "\\\\a\\b\tc", "/m"}) || table.Add({"K:", R"(\\a\b)", "/m\nx"}));
  ASSERT_TRUE(table.Add({"k:", R"(\\nas1\Volume_1)", "/mnt/k"}));
  ASSERT_TRUE(table.Add({"M:", R"(\\nas1\Music)", "/mnt/m"}));
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  EXPECT_EQ(text.str(), "# drive\tremote name\tmount folder\n"
                        "K:\t\\\\nas1\\Volume_1\t/mnt/k\nM:\t\\\\nas1\\Music\t/mnt/m\n");
  ASSERT_TRUE(table.Add({"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_EQ(table.Find("k:"), (DriveConnection{"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_TRUE(table.Remove("K:"));
  EXPECT_FALSE(table.Remove("K:")) << "already gone";
  EXPECT_EQ(table.Read(), (std::vector<DriveConnection>{{"M:", R"(\\nas1\Music)", "/mnt/m"}}));
  EXPECT_EQ(FilesIn(file.parent_path()), 1) << "no temporary file may stay behind";
  // A letter answers only while the session lists its mount, but stays
  // remembered; its folder is never looked at (that would ask the server).
  platform::LinuxNetworkDrives drives(file, root / "bookmarks", 1s, [] { return Folders{"/run/gvfs/k"}; });
  ASSERT_TRUE(drives.table().Add({"K:", R"(\\nas1\Volume_1)", "/run/gvfs/k"}));
  ASSERT_TRUE(drives.table().Add({"L:", R"(\\nas1\Gone)", root.string()}));
  std::string remote;
  EXPECT_TRUE(drives.RemoteName("K:", remote) && remote == R"(\\nas1\Volume_1)");
  EXPECT_FALSE(drives.RemoteName("L:", remote) || drives.RemoteName("N:", remote));
  for (const auto& [letter, kind] : {std::pair{"C:", Fixed}, {"K:", Remote}, {"L:", Remote},
                                     {"N:", NoRootDir}, {"K", NoRootDir}})
    EXPECT_EQ(drives.Kind(letter), kind) << letter;
  // A folder in the way makes the rename fail: it stays, and nothing else is left.
  fs::create_directories(root / "network-drives" / "occupied");
  EXPECT_FALSE(platform::ConnectionTable(root / "network-drives").Add({"K:", R"(\\a\b)", "/m"}));
  EXPECT_EQ(FilesIn(root), 2);
  EXPECT_TRUE(fs::is_directory(root / "network-drives" / "occupied"));
}

// A FIFO in a file's place is refused at once, never waited on, and never
// written over.
TEST_F(ConnectionTableTest, FifoInPlaceOfAFileIsRefusedWithoutWaiting) {
  const fs::path file = root / "network-drives", bookmarks = root / "bookmarks";
  ASSERT_EQ(mkfifo(file.c_str(), 0600) | mkfifo(bookmarks.c_str(), 0600), 0);
  platform::LinuxNetworkDrives drives(file, bookmarks, 1s, [] { return Folders{}; });
  auto answered = std::async(std::launch::async, [&] {
    std::string remote;
    EXPECT_FALSE(drives.RemoteName("K:", remote));
    EXPECT_NE(drives.lastError().find("not a regular file"), std::string::npos) << drives.lastError();
    EXPECT_FALSE(drives.table().Add({"K:", R"(\\a\b)", "/m"}));
    EXPECT_FALSE(platform::ReplaceTextFile(bookmarks, "file:///x\n"));
  });
  if (answered.wait_for(3s) != std::future_status::ready) {
    ADD_FAILURE() << "a FIFO held the reader";
    while (answered.wait_for(10ms) != std::future_status::ready)  // let it go
      for (const fs::path& f : {file, bookmarks}) ::close(::open(f.c_str(), O_WRONLY | O_NONBLOCK));
  }
  EXPECT_TRUE(fs::is_fifo(file) && fs::is_fifo(bookmarks));
}

// A table up to a MiB is read; a bigger one is refused with the reason and
// left as it is.
TEST_F(ConnectionTableTest, OversizedTableIsRefusedAndKept) {
  const fs::path file = root / "network-drives";
  platform::LinuxNetworkDrives drives(file, root / "bookmarks", 1s, [] { return Folders{"/m"}; });
  const std::string line = "K:\t\\\\a\\b\t/m\n";
  std::string remote;
  for (const std::uintmax_t size : {kTextFileLimit, kTextFileLimit + 1}) {
    Write("network-drives", line + std::string(size - line.size() - 1, '#') + "\n");
    const bool fits = size <= kTextFileLimit;
    EXPECT_EQ(drives.RemoteName("K:", remote), fits) << size;
    EXPECT_EQ(drives.table().Add({"L:", R"(\\a\c)", "/m"}), fits) << size;
  }
  EXPECT_NE(drives.lastError().find("larger than 1 MiB"), std::string::npos) << drives.lastError();
  EXPECT_EQ(fs::file_size(file), kTextFileLimit + 1);
}

// A table kept elsewhere and linked in (a dotfiles setup) stays linked:
// writes go to the link's target, also one that is not there yet.
TEST_F(ConnectionTableTest, SymlinkedTableStaysALink) {
  const fs::path file = root / "config" / "network-drives";
  fs::create_directories(root / "config");
  fs::create_directories(root / "dotfiles");
  fs::create_symlink("../dotfiles/drives", file);
  platform::ConnectionTable table(file);
  ASSERT_TRUE(table.Add({"K:", R"(\\a\b)", "/k"}));
  ASSERT_TRUE(table.Add({"L:", R"(\\a\c)", "/l"}));
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(platform::ParseConnectionTable(ReadTextFile(root / "dotfiles" / "drives").value_or("")).size(), 2u);
}

// One refresh of the 26 letters and the letters offered reads the table
// once and lists the mounts once; the next refresh sees what changed.
TEST_F(ConnectionTableTest, ARefreshReadsTheTableAndListsMountsOnce) {
  const fs::path file = root / "network-drives";
  int lists = 0;
  platform::LinuxNetworkDrives drives(file, root / "bookmarks", 1s, [&] {
    ++lists;
    return Folders{"/run/k", "/run/m"};
  });
  for (const DriveConnection& c : {DriveConnection{"K:", R"(\\a\k)", "/run/k"}, {"M:", R"(\\a\m)", "/run/m"},
                                   {"Q:", R"(\\a\q)", "/run/q"}})
    ASSERT_TRUE(drives.table().Add(c));
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, file.c_str(), IN_OPEN), 0);
  shares::MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const std::vector<std::string> items = table.FillFreeDriveLetters().items;
  alignas(inotify_event) char events[4096];
  const ssize_t got = ::read(watch, events, sizeof events);
  ::close(watch);
  EXPECT_EQ(got, static_cast<ssize_t>(sizeof(inotify_event))) << "one open of the table";
  EXPECT_EQ(lists, 1);
  EXPECT_EQ(std::vector(items.begin() + 9, items.begin() + 14),
            (std::vector<std::string>{"Q:", "P:", "O:", "N:", R"(M: \\a\m)"}));
  ASSERT_TRUE(drives.table().Remove("M:"));
  table.RefreshMappedDrives(drives);
  EXPECT_EQ(table.FillFreeDriveLetters().items.at(13), "M:");
}

// The user name and the table's place come from the user's account and
// configuration home, never from a USER that says otherwise.
TEST_F(ConnectionTableTest, UserNameAndDefaultLocation) {
  SetEnv("USER", "someone-else");
  const passwd* me = getpwuid(geteuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(LinuxNetworkDrives("/nonexistent/table").UserName(), me->pw_name);
  SetEnv("HOME", "/home/tester");
  SetEnv("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(platform::ConnectionTable::DefaultLocation(), "/cfg/korvex-findway/network-drives");
  SetEnv("XDG_CONFIG_HOME", "relative/cfg");  // invalid, and ignored like an unset one
  EXPECT_EQ(platform::ConnectionTable::DefaultLocation(), "/home/tester/.config/korvex-findway/network-drives");
}

TEST(LinuxSystemInfoTest, ReleaseNumbersAndNoWindowsFamily) {
  const auto fields = [](const VersionReport& r) { return std::tuple(r.platform, r.major, r.minor, r.build); };
  using enum PlatformFamily;
  EXPECT_EQ(fields(VersionFromRelease("6.1.0-13-amd64")), std::tuple(Other, 6, 1, 0u));
  EXPECT_EQ(fields(VersionFromRelease("5.15-rc2")), std::tuple(Other, 5, 15, 0u));
  EXPECT_EQ(fields(VersionFromRelease("4.19.289")), std::tuple(Other, 4, 19, 289u));
  LinuxSystemInfo system;
  const core::WindowsVersionName name = core::GetWindowsVersionName(system);
  EXPECT_EQ(std::tuple(name.text, name.code, name.result), std::tuple("unknown Windows version", 0, 1));
}

}  // namespace
}  // namespace kfw::platform
