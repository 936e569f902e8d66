#include "shares/drive_table.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "platform/fake_network_drives.h"
#include "platform/linux/linux_network_drives.h"

namespace kfw::shares {
namespace {

namespace fs = std::filesystem;
using platform::DriveConnection;
using platform::FakeNetworkDrives;
using platform::ParseConnectionTable;
using Strings = std::vector<std::string>;
using enum platform::DriveKind;

MappedDriveTable Refreshed(platform::NetworkDrives& drives) {
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  return table;
}

const MappedDrive& EntryOf(const MappedDriveTable& table, char letter) {
  return table.entries()[static_cast<std::size_t>('Z' - letter)];
}

TEST(RefreshMappedDrivesTest, SplitsRemoteNamesAndForgetsDroppedConnections) {
  const std::string longest(248, 'v');  // "\\nas1\" and this fill the 255-byte field
  const struct { char letter; std::string remote, host, share; } rows[] = {
      {'Z', R"(\\nas1\Volume_1)", "nas1", "Volume_1"},
      {'Y', R"(\\nas1\Volume_1\Photos)", "nas1", R"(Volume_1\Photos)"},
      {'X', R"(\\nas1)", "", ""},
      {'W', "", "", ""},
      {'V', R"(\\nas1\)" + longest, "nas1", longest},
      {'U', R"(\\nas1\)" + longest + "v", "", ""},  // does not fit: a failed lookup
  };
  FakeNetworkDrives drives;
  for (const auto& row : rows) drives.Connect(row.letter, row.remote);
  MappedDriveTable table = Refreshed(drives);
  for (const auto& row : rows) {
    EXPECT_EQ(EntryOf(table, row.letter).host.str(), row.host) << row.remote;
    EXPECT_EQ(EntryOf(table, row.letter).share.str(), row.share) << row.remote;
  }
  for (std::string name = "A:"; name[0] <= 'Z'; ++name[0])
    EXPECT_EQ(EntryOf(table, name[0]).driveName.str(), name);
  drives.Disconnect('Z');
  table.RefreshMappedDrives(drives);
  EXPECT_TRUE(EntryOf(table, 'Z').host.empty() && EntryOf(table, 'Z').share.empty());
}

TEST(FillFreeDriveLettersTest, SkipsLocalDisksAndShowsConnectionsInUncForm) {
  FakeNetworkDrives drives;
  drives.Connect('Z', R"(\\other\Data)");
  drives.Connect('X', R"(\\nas1\Volume_1)");
  // S: is remembered but has no live remote name.
  for (auto [c, kind] : {std::pair{'Y', Fixed}, {'W', Removable}, {'V', CdRom}, {'U', RamDisk},
                         {'T', Unknown}, {'S', Remote}, {'C', Fixed}})
    drives.SetKind(c, kind);
  const MappedDriveTable table = Refreshed(drives);
  drives.Connect('R', R"(\\nas1\Later)");  // after the snapshot: still offered plain
  auto free = table.FillFreeDriveLetters(drives);
  EXPECT_EQ(free.items, (Strings{R"(Z: \\other\Data)", R"(X: \\nas1\Volume_1)", "T:", "S:", "R:",
                                 "Q:", "P:", "O:", "N:", "M:", "L:", "K:", "J:", "I:", "H:", "G:",
                                 "F:", "E:", "D:"}));
  EXPECT_EQ(free.defaultIndex, 2);  // the highest free letter

  // A: and B: are never offered; with every letter connected none is selected.
  for (char c = 'A'; c <= 'Z'; ++c) drives.Connect(c, std::string(R"(\\nas1\)") + c);
  free = Refreshed(drives).FillFreeDriveLetters(drives);
  ASSERT_EQ(free.items.size(), 24u);
  EXPECT_EQ(free.items.front(), R"(Z: \\nas1\Z)");
  EXPECT_EQ(free.items.back(), R"(C: \\nas1\C)");
  EXPECT_EQ(free.defaultIndex, -1);
}

// The location column for `shares` of the device NAS1 at 192.168.1.100.
Strings Locations(const std::vector<std::pair<char, std::string>>& connections,
                  const Strings& shares, bool exactHost) {
  FakeNetworkDrives drives;
  for (const auto& [letter, remote] : connections) drives.Connect(letter, remote);
  Strings locations;
  for (const auto& row : Refreshed(drives).FillShareLocations("NAS1", "192.168.1.100", shares,
                                                               exactHost))
    locations.push_back(row.location);
  return locations;
}

TEST(FillShareLocationsTest, ShowsTheConnectedLetter) {
  EXPECT_EQ(Locations({{'Y', R"(\\NAS1\HDD_2)"}}, {"HDD_1", "HDD_2"}, false), (Strings{"", "Y:"}));
  // A share connected on several letters shows the one nearest to A.
  EXPECT_EQ(Locations({{'Y', R"(\\NAS1\V)"}, {'M', R"(\\NAS1\V)"}}, {"V"}, false), Strings{"M:"});
  EXPECT_EQ(Locations({{'Q', R"(\\192.168.1.100\HDD_1)"}}, {"HDD_1"}, true), Strings{"Q:"});
  // The host's case is ignored for a selected device, but exact after a connect.
  EXPECT_EQ(Locations({{'Q', R"(\\nas1\HDD_1)"}}, {"HDD_1"}, false), Strings{"Q:"});
  EXPECT_EQ(Locations({{'Q', R"(\\nas1\HDD_1)"}}, {"HDD_1"}, true), Strings{""});
  // The share's case never counts; a folder below the share, or another server, matches nothing.
  EXPECT_EQ(Locations({{'Q', R"(\\NAS1\hdd_1)"}}, {"HDD_1"}, true), Strings{"Q:"});
  EXPECT_EQ(Locations({{'Q', R"(\\NAS1\HDD_1\Photos)"}}, {"HDD_1"}, false), Strings{""});
  EXPECT_EQ(Locations({{'Q', R"(\\NAS2\HDD_1)"}}, {"HDD_1"}, false), Strings{""});
  // Case is folded beyond ASCII, but an accent is not its base letter.
  EXPECT_EQ(Locations({{'R', "\\\\NAS1\\\xD0\xB4"}}, {"\xD0\x94"}, false), Strings{"R:"});
  EXPECT_EQ(Locations({{'S', "\\\\NAS1\\caf\xC3\xA9"}}, {"CAF\xC3\x89"}, false), Strings{"S:"});
  EXPECT_EQ(Locations({{'S', "\\\\NAS1\\cafe"}}, {"caf\xC3\xA9"}, false), Strings{""});
  // Bad bytes are replaced alike on both sides, so they still match.
  EXPECT_EQ(Locations({{'T', "\\\\NAS1\\Caf\xE9"}}, {"Caf\xE9"}, false), Strings{"T:"});
}

TEST(FillShareLocationsTest, BadUtf8IsReplacedNotDropped) {
  const std::string r = "\xEF\xBF\xBD";
  std::string cut = "a";
  for (int i = 0; i < 84; ++i) cut += r;
  // One replacement per maximal bad run; the grown name is cut on a whole character.
  const std::pair<std::string, std::string> rows[] = {
      {"Caf\xE9", "Caf" + r},
      {"a\xC0\xAF" "b", "a" + r + r + "b"},
      {"x\xED\xA0\x80", "x" + r + r + r},
      {"end\xE2\x82", "end" + r},
      {"a" + std::string(254, '\xFF'), cut},
  };
  for (const auto& [name, shown] : rows)
    EXPECT_EQ(MappedDriveTable{}.FillShareLocations("", "", {name}, false).at(0).volumeName, shown);
}

TEST(ParseConnectionTableTest, ReadsLines) {
  const std::string line = "K:\t\\\\nas1\\Volume_1\t/mnt/k";
  const DriveConnection k{"K:", R"(\\nas1\Volume_1)", "/mnt/k"};
  const std::pair<std::string, std::vector<DriveConnection>> rows[] = {
      {line + "\n", {k}},
      {line, {k}},
      {"k" + line.substr(1) + "\r\n", {k}},
      {"# drive\n\n" + line + "\n\n", {k}},
      {"Q:\t\\\\nas1\\My Share\t/mnt/my share", {{"Q:", R"(\\nas1\My Share)", "/mnt/my share"}}},
      {"K:\t\\\\nas1\\Volume_1\t\n", {{"K:", R"(\\nas1\Volume_1)", ""}}},
      {"K:\t\\\\old\\x\t/old\nM:\t\\\\nas1\\m\t/m\n" + line, {k, {"M:", R"(\\nas1\m)", "/m"}}},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(ParseConnectionTable(text), expected) << text;
  // Lines of another shape are skipped, and reading goes on after them.
  for (const char* bad : {"K:\t\\\\nas1\\Volume_1", "K:\ta\tb\tc", "KK:\ta\tb", "1:\ta\tb",
                          "K\ta\tb", "C:\ta\tb", "L:\t\t/mnt/l"})
    EXPECT_EQ(ParseConnectionTable(bad + ("\n" + line)), std::vector{k}) << bad;
}

class ConnectionTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kfw-drives.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }
  static long FilesIn(const fs::path& d) { return std::distance(fs::directory_iterator(d), {}); }
  fs::path root;
};

TEST_F(ConnectionTableTest, AddReplaceRemoveAndNothingLeftBehind) {
  const fs::path file = root / "korvex-findway" / "network-drives";
  platform::ConnectionTable table(file);
  EXPECT_TRUE(table.Read().empty()) << "a missing file is an empty table";
  ASSERT_TRUE(table.Add({"k:", R"(\\nas1\Volume_1)", "/mnt/k"}));
  ASSERT_TRUE(table.Add({"M:", R"(\\nas1\Music)", "/mnt/m"}));
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  EXPECT_EQ(text.str(), "# drive\tremote name\tmount folder\n"
                        "K:\t\\\\nas1\\Volume_1\t/mnt/k\nM:\t\\\\nas1\\Music\t/mnt/m\n");
  ASSERT_TRUE(table.Add({"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_EQ(table.Find("k:"), (DriveConnection{"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_EQ(table.Read().size(), 2u);
  EXPECT_TRUE(table.Remove("K:"));
  EXPECT_FALSE(table.Remove("K:")) << "already gone";
  EXPECT_FALSE(table.Find("K:").has_value());
  EXPECT_EQ(table.Read().size(), 1u);
  EXPECT_EQ(FilesIn(file.parent_path()), 1) << "no temporary file may stay behind";
}

TEST_F(ConnectionTableTest, RefusesWhatCannotBeStoredAndKeepsTheOldTableOnAFailedWrite) {
  platform::ConnectionTable table(root / "network-drives");
  for (const DriveConnection& c : std::vector<DriveConnection>{
           {"C:", R"(\\a\b)", "/m"}, {"KK", R"(\\a\b)", "/m"}, {"", R"(\\a\b)", "/m"},
           {"K:", "", "/m"}, {"K:", "\\\\a\\b\tc", "/m"}, {"K:", R"(\\a\b)", "/m\nx"},
           {"K:", R"(\\a\b)", "/m\rx"}})
    EXPECT_FALSE(table.Add(c)) << c.driveName << " " << c.remoteName << " " << c.mountPath;
  EXPECT_FALSE(fs::exists(table.file()));
  fs::create_directories(table.file() / "occupied");  // a folder in the way: the rename fails
  EXPECT_FALSE(table.Add({"K:", R"(\\a\b)", "/m"}));
  EXPECT_EQ(FilesIn(root), 1);
  EXPECT_TRUE(fs::is_directory(table.file() / "occupied"));
}

TEST_F(ConnectionTableTest, DefaultLocationFollowsTheConfigHome) {
  using Value = std::optional<std::string>;
  auto get = [](const char* n) { const char* v = std::getenv(n); return v ? Value(v) : Value(); };
  auto set = [](const char* n, const Value& v) { v ? ::setenv(n, v->c_str(), 1) : ::unsetenv(n); };
  const Value home = get("HOME"), config = get("XDG_CONFIG_HOME");
  set("HOME", "/home/tester");
  const fs::path fallback = "/home/tester/.config/korvex-findway/network-drives";
  // A relative XDG_CONFIG_HOME is invalid and ignored, like an unset one.
  const std::pair<Value, fs::path> rows[] = {
      {"/cfg", "/cfg/korvex-findway/network-drives"}, {"relative/cfg", fallback}, {{}, fallback}};
  for (const auto& [value, expected] : rows) {
    set("XDG_CONFIG_HOME", value);
    EXPECT_EQ(platform::ConnectionTable::DefaultLocation(), expected) << value.value_or("unset");
  }
  set("HOME", home);
  set("XDG_CONFIG_HOME", config);
}

TEST_F(ConnectionTableTest, LettersAnswerOnlyWhileTheirMountIsLive) {
  const fs::path live = root / "mounts" / "volume_1";
  fs::create_directories(live);
  platform::LinuxNetworkDrives drives(root / "network-drives");
  ASSERT_TRUE(drives.table().Add({"K:", R"(\\nas1\Volume_1)", live.string()}));
  ASSERT_TRUE(drives.table().Add({"L:", R"(\\nas1\Gone)", (root / "mounts" / "gone").string()}));
  ASSERT_TRUE(drives.table().Add({"N:", R"(\\nas1\NoMount)", ""}));
  std::string remote;
  EXPECT_TRUE(drives.RemoteName("K:", remote));
  EXPECT_EQ(remote, R"(\\nas1\Volume_1)");
  for (const char* letter : {"L:", "N:", "M:"})
    EXPECT_FALSE(drives.RemoteName(letter, remote)) << letter;
  // L: stays remembered while not mounted.
  for (const auto& [letter, kind] : {std::pair{"C:", Fixed}, {"K:", Remote}, {"L:", Remote},
                                     {"M:", NoRootDir}, {"K", NoRootDir}})
    EXPECT_EQ(drives.Kind(letter), kind) << letter;
}

}  // namespace
}  // namespace kfw::shares
