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
using Connections = std::vector<std::pair<char, std::string>>;
using Strings = std::vector<std::string>;
using enum platform::DriveKind;

// The letters offered for a connection, Z towards C, as the snapshot saw them:
// connections in UNC form, no local disk, the highest free letter suggested.
TEST(MappedDriveTableTest, FreeLettersFollowTheSnapshot) {
  const std::string longest(248, 'v');  // "\\nas1\" and this fill the 255-byte field
  platform::FakeNetworkDrives drives;
  // X: names no share and V:'s name does not fit the field: neither is a connection.
  for (const auto& [letter, remote] : Connections{{'Z', R"(\\nas1\Volume_1)"},
           {'Y', R"(\\nas1\Volume_1\Photos)"}, {'X', R"(\\nas1)"}, {'W', R"(\\nas1\)" + longest},
           {'V', R"(\\nas1\)" + longest + "v"}})
    drives.Connect(letter, remote);
  for (auto [c, kind] : {std::pair{'U', Fixed}, {'T', Removable}, {'S', CdRom}, {'R', RamDisk},
                         {'Q', Unknown}, {'P', Remote}, {'C', Fixed}})
    drives.SetKind(c, kind);
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  drives.Connect('O', R"(\\nas1\Later)");  // after the snapshot: still offered plain
  const auto free = table.FillFreeDriveLetters(drives);
  EXPECT_EQ(free.items, (Strings{R"(Z: \\nas1\Volume_1)", R"(Y: \\nas1\Volume_1\Photos)", "X:",
                                 R"(W: \\nas1\)" + longest, "V:", "Q:", "P:", "O:", "N:", "M:",
                                 "L:", "K:", "J:", "I:", "H:", "G:", "F:", "E:", "D:"}));
  EXPECT_EQ(free.defaultIndex, 2);
  drives.Disconnect('Z');
  table.RefreshMappedDrives(drives);
  EXPECT_EQ(table.FillFreeDriveLetters(drives).items.at(0), "Z:") << "a dropped connection is gone";
}

// The location column for `shares` of the device NAS1 at 192.168.1.100.
Strings Locations(const Connections& connections, const Strings& shares, bool exactHost) {
  platform::FakeNetworkDrives drives;
  for (const auto& [letter, remote] : connections) drives.Connect(letter, remote);
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  Strings locations;
  for (const auto& row : table.FillShareLocations("NAS1", "192.168.1.100", shares, exactHost))
    locations.push_back(row.location);
  return locations;
}

TEST(FillShareLocationsTest, ShowsTheConnectedLetter) {
  EXPECT_EQ(Locations({{'Y', R"(\\NAS1\HDD_2)"}}, {"HDD_1", "HDD_2"}, false), (Strings{"", "Y:"}));
  // A share connected on several letters shows the one nearest to A.
  EXPECT_EQ(Locations({{'Y', R"(\\NAS1\V)"}, {'M', R"(\\NAS1\V)"}}, {"V"}, false), Strings{"M:"});
  // Host case counts only after a connect (exact), share case never; a subfolder or another
  // server is no match; case folds beyond ASCII, accents stay; bad bytes match alike.
  const struct { std::string remote, share; bool exactHost; std::string shown; } rows[] = {
      {R"(\\192.168.1.100\HDD_1)", "HDD_1", true, "Q:"}, {R"(\\nas1\HDD_1)", "HDD_1", false, "Q:"},
      {R"(\\nas1\HDD_1)", "HDD_1", true, ""}, {R"(\\NAS1\hdd_1)", "HDD_1", true, "Q:"},
      {R"(\\NAS1\HDD_1\Photos)", "HDD_1", false, ""}, {R"(\\NAS2\HDD_1)", "HDD_1", false, ""},
      {"\\\\NAS1\\\xD0\xB4", "\xD0\x94", false, "Q:"}, {"\\\\NAS1\\cafe", "caf\xC3\xA9", false, ""},
      {"\\\\NAS1\\caf\xC3\xA9", "CAF\xC3\x89", false, "Q:"},
      {"\\\\NAS1\\Caf\xE9", "Caf\xE9", false, "Q:"}};
  for (const auto& k : rows)
    EXPECT_EQ(Locations({{'Q', k.remote}}, {k.share}, k.exactHost), Strings{k.shown}) << k.remote;
}

// One replacement per maximal bad run; a name grown past its field is cut on a character.
TEST(FillShareLocationsTest, BadUtf8IsReplacedNotDropped) {
  const std::string r = "\xEF\xBF\xBD";
  std::string cut = "a";
  for (int i = 0; i < 84; ++i) cut += r;
  const std::pair<std::string, std::string> rows[] = {
      {"a\xC0\xAF" "b", "a" + r + r + "b"}, {"x\xED\xA0\x80", "x" + r + r + r},
      {"end\xE2\x82", "end" + r}, {"a" + std::string(254, '\xFF'), cut}};
  for (const auto& [name, shown] : rows)
    EXPECT_EQ(MappedDriveTable{}.FillShareLocations("", "", {name}, false).at(0).volumeName, shown);
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
  // A letter answers only while its mount folder is there, but stays remembered.
  platform::LinuxNetworkDrives drives(file);
  ASSERT_TRUE(drives.table().Add({"K:", R"(\\nas1\Volume_1)", root.string()}));
  ASSERT_TRUE(drives.table().Add({"L:", R"(\\nas1\Gone)", (root / "gone").string()}));
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

TEST_F(ConnectionTableTest, DefaultLocationFollowsTheConfigHome) {
  using Value = std::optional<std::string>;
  auto get = [](const char* n) { const char* v = std::getenv(n); return v ? Value(v) : Value(); };
  auto set = [](const char* n, const Value& v) { v ? ::setenv(n, v->c_str(), 1) : ::unsetenv(n); };
  const Value home = get("HOME"), config = get("XDG_CONFIG_HOME");
  set("HOME", "/home/tester");
  set("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(platform::ConnectionTable::DefaultLocation(), "/cfg/korvex-findway/network-drives");
  set("XDG_CONFIG_HOME", "relative/cfg");  // invalid, and ignored like an unset one
  EXPECT_EQ(platform::ConnectionTable::DefaultLocation(),
            "/home/tester/.config/korvex-findway/network-drives");
  set("HOME", home);
  set("XDG_CONFIG_HOME", config);
}

}  // namespace
}  // namespace kfw::shares
