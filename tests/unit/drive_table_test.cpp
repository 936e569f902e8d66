#include "shares/drive_table.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fake_network_drives.h"
#include "platform/linux/linux_network_drives.h"

namespace kfw::shares {
namespace {

using platform::DriveKind;
using platform::FakeNetworkDrives;

const MappedDrive& EntryOf(const MappedDriveTable& table, char letter) {
  return table.entries()[static_cast<std::size_t>('Z' - letter)];
}

// --- RefreshMappedDrives ----------------------------------------------------

struct RemoteCase {
  const char* name;
  std::string remote;  // empty with lookupFails: the lookup itself fails
  bool lookupFails;
  std::string host;
  std::string share;
};
void PrintTo(const RemoteCase& c, std::ostream* os) { *os << c.name; }

class RefreshMappedDrivesTest : public ::testing::TestWithParam<RemoteCase> {};

TEST_P(RefreshMappedDrivesTest, SplitsTheRemoteName) {
  const RemoteCase& c = GetParam();
  FakeNetworkDrives drives;
  if (!c.lookupFails) drives.Connect('K', c.remote);
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const MappedDrive& k = EntryOf(table, 'K');
  EXPECT_EQ(k.driveName.str(), "K:");
  EXPECT_EQ(k.host.str(), c.host);
  EXPECT_EQ(k.share.str(), c.share);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefreshMappedDrivesTest,
    ::testing::Values(
        RemoteCase{"Share", R"(\\nas1\Volume_1)", false, "nas1", "Volume_1"},
        RemoteCase{"FolderBelowShare", R"(\\nas1\Volume_1\Photos)", false, "nas1",
                   R"(Volume_1\Photos)"},
        RemoteCase{"ServerOnly", R"(\\nas1)", false, "", ""},
        RemoteCase{"Empty", "", false, "", ""},
        RemoteCase{"NotConnected", "", true, "", ""},
        // Too long for the name field: the lookup counts as failed.
        RemoteCase{"TooLong", R"(\\nas1\)" + std::string(250, 'v'), false, "", ""},
        RemoteCase{"LongestThatFits", R"(\\nas1\)" + std::string(248, 'v'), false, "nas1",
                   std::string(248, 'v')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RefreshMappedDrivesTest, NamesEveryLetterZFirstAndForgetsDroppedConnections) {
  FakeNetworkDrives drives;
  drives.Connect('Y', R"(\\nas1\Volume_1)");
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  for (int i = 0; i < MappedDriveTable::kLetters; ++i) {
    const std::string expected{static_cast<char>('Z' - i), ':'};
    EXPECT_EQ(table.entries()[i].driveName.str(), expected);
  }
  EXPECT_EQ(EntryOf(table, 'Y').host.str(), "nas1");

  drives.Disconnect('Y');
  table.RefreshMappedDrives(drives);
  EXPECT_TRUE(EntryOf(table, 'Y').host.empty());
  EXPECT_TRUE(EntryOf(table, 'Y').share.empty());

  drives.Connect('Y', R"(\\nas1\Volume_1)");
  drives.FailLookups(true);
  table.RefreshMappedDrives(drives);
  EXPECT_TRUE(EntryOf(table, 'Y').host.empty());
}

// --- FillFreeDriveLetters ---------------------------------------------------

std::vector<std::string> PlainLetters(char from, char downTo) {
  std::vector<std::string> letters;
  for (char c = from; c >= downTo; --c) letters.push_back(std::string{c, ':'});
  return letters;
}

MappedDriveTable::FreeLetters Fill(FakeNetworkDrives& drives) {
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  return table.FillFreeDriveLetters(drives);
}

TEST(FillFreeDriveLettersTest, OffersZToCAndSelectsTheHighestFreeLetter) {
  FakeNetworkDrives drives;
  const auto free = Fill(drives);
  EXPECT_EQ(free.items, PlainLetters('Z', 'C'));
  EXPECT_EQ(free.defaultIndex, 0);
}

TEST(FillFreeDriveLettersTest, SkipsLocalDisksButOffersUnknownAndRemote) {
  FakeNetworkDrives drives;
  drives.SetKind('Z', DriveKind::CdRom);
  drives.SetKind('Y', DriveKind::Removable);
  drives.SetKind('X', DriveKind::RamDisk);
  drives.SetKind('D', DriveKind::Fixed);
  drives.SetKind('C', DriveKind::Fixed);
  drives.SetKind('W', DriveKind::Unknown);
  // Remembered but unavailable: remote kind without a live remote name.
  drives.SetKind('V', DriveKind::Remote);
  const auto free = Fill(drives);
  EXPECT_EQ(free.items, PlainLetters('W', 'E'));
  EXPECT_EQ(free.defaultIndex, 0);
}

TEST(FillFreeDriveLettersTest, ConnectedLettersAreOfferedInUncForm) {
  FakeNetworkDrives drives;
  drives.Connect('Z', R"(\\other\Data)");
  drives.Connect('Y', R"(\\nas1\Volume_1)");
  const auto free = Fill(drives);
  ASSERT_EQ(free.items.size(), 24u);
  EXPECT_EQ(free.items[0], R"(Z: \\other\Data)");
  EXPECT_EQ(free.items[1], R"(Y: \\nas1\Volume_1)");
  EXPECT_EQ(free.items[2], "X:");
  EXPECT_EQ(free.defaultIndex, 2);
}

TEST(FillFreeDriveLettersTest, NothingToOffer) {
  FakeNetworkDrives drives;
  const std::array<DriveKind, 4> kinds{DriveKind::Fixed, DriveKind::Removable, DriveKind::CdRom,
                                       DriveKind::RamDisk};
  for (char c = 'C'; c <= 'Z'; ++c) drives.SetKind(c, kinds[(c - 'C') % 4]);
  const auto free = Fill(drives);
  EXPECT_TRUE(free.items.empty());
  EXPECT_EQ(free.defaultIndex, -1);
}

TEST(FillFreeDriveLettersTest, EveryLetterConnectedSelectsNone) {
  FakeNetworkDrives drives;
  for (char c = 'A'; c <= 'Z'; ++c) drives.Connect(c, std::string(R"(\\nas1\)") + c);
  const auto free = Fill(drives);
  ASSERT_EQ(free.items.size(), 24u);
  EXPECT_EQ(free.items.front(), R"(Z: \\nas1\Z)");
  EXPECT_EQ(free.items.back(), R"(C: \\nas1\C)");
  EXPECT_EQ(free.defaultIndex, -1);
}

TEST(FillFreeDriveLettersTest, UsesTheSnapshotNotTheLiveState) {
  FakeNetworkDrives drives;
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  drives.Connect('Z', R"(\\nas1\Volume_1)");
  EXPECT_EQ(table.FillFreeDriveLetters(drives).items.front(), "Z:");
  table.RefreshMappedDrives(drives);
  EXPECT_EQ(table.FillFreeDriveLetters(drives).items.front(), R"(Z: \\nas1\Volume_1)");
}

// --- FillShareLocations -----------------------------------------------------

struct LocationCase {
  const char* name;
  std::vector<std::pair<char, std::string>> connections;
  std::vector<std::string> shares;
  bool exactHost;
  std::vector<MappedDriveTable::Location> expected;
};
void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.name; }

class FillShareLocationsTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(FillShareLocationsTest, ShowsTheConnectedLetter) {
  const LocationCase& c = GetParam();
  FakeNetworkDrives drives;
  for (const auto& [letter, remote] : c.connections) drives.Connect(letter, remote);
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const auto rows = table.FillShareLocations("NAS1", "192.168.1.100", c.shares, c.exactHost);
  ASSERT_EQ(rows.size(), c.expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].volumeName, c.expected[i].volumeName) << "row " << i;
    EXPECT_EQ(rows[i].location, c.expected[i].location) << "row " << i;
  }
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Matching, FillShareLocationsTest,
    ::testing::Values(
        LocationCase{"NoShares", {{'Y', R"(\\NAS1\HDD_1)"}}, {}, false, {}},
        LocationCase{"InListOrder",
                     {{'Y', R"(\\NAS1\HDD_2)"}},
                     {"HDD_1", "HDD_2"},
                     false,
                     {{"HDD_1", ""}, {"HDD_2", "Y:"}}},
        LocationCase{"NearestToAWins",
                     {{'Y', R"(\\NAS1\HDD_1)"}, {'M', R"(\\NAS1\HDD_1)"}},
                     {"HDD_1"},
                     false,
                     {{"HDD_1", "M:"}}},
        LocationCase{"ByAddress",
                     {{'Q', R"(\\192.168.1.100\HDD_1)"}},
                     {"HDD_1"},
                     true,
                     {{"HDD_1", "Q:"}}},
        LocationCase{"HostCaseIgnoredOnSelection",
                     {{'Q', R"(\\nas1\HDD_1)"}},
                     {"HDD_1"},
                     false,
                     {{"HDD_1", "Q:"}}},
        LocationCase{"HostCaseCountsAfterConnect",
                     {{'Q', R"(\\nas1\HDD_1)"}},
                     {"HDD_1"},
                     true,
                     {{"HDD_1", ""}}},
        LocationCase{"ShareCaseAlwaysIgnored",
                     {{'Q', R"(\\NAS1\hdd_1)"}},
                     {"HDD_1"},
                     true,
                     {{"HDD_1", "Q:"}}},
        LocationCase{"FolderBelowShareMatchesNothing",
                     {{'Q', R"(\\NAS1\HDD_1\Photos)"}},
                     {"HDD_1"},
                     false,
                     {{"HDD_1", ""}}},
        LocationCase{"OtherServer",
                     {{'Q', R"(\\NAS2\HDD_1)"}},
                     {"HDD_1"},
                     false,
                     {{"HDD_1", ""}}},
        LocationCase{"NonLatinCaseIgnored",
                     {{'R', "\\\\NAS1\\\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5"},
                      {'S', "\\\\NAS1\\caf\xC3\xA9"}},
                     {"\xD0\x94\xD0\x90\xD0\x9D\xD0\x9D\xD0\xAB\xD0\x95", "CAF\xC3\x89"},
                     false,
                     {{"\xD0\x94\xD0\x90\xD0\x9D\xD0\x9D\xD0\xAB\xD0\x95", "R:"},
                      {"CAF\xC3\x89", "S:"}}},
        LocationCase{"AccentIsNotItsBaseLetter",
                     {{'S', "\\\\NAS1\\cafe"}},
                     {"caf\xC3\xA9"},
                     false,
                     {{"caf\xC3\xA9", ""}}},
        // Bad bytes are shown as U+FFFD, one per maximal bad run, never dropped.
        LocationCase{"InvalidUtf8Replaced",
                     {{'T', "\\\\NAS1\\Caf\xE9"}},
                     {"Caf\xE9", "a\xC0\xAF" "b", "x\xED\xA0\x80", "end\xE2\x82"},
                     false,
                     {{"Caf" + kReplacement, "T:"},
                      {"a" + kReplacement + kReplacement + "b", ""},
                      {"x" + kReplacement + kReplacement + kReplacement, ""},
                      {"end" + kReplacement, ""}}},
        // Replacements grow the text; it is cut to the field on a whole character.
        LocationCase{"ReplacedNameKeptWithinTheField",
                     {},
                     {std::string(255, '\xFF')},
                     false,
                     {{[] {
                         std::string s;
                         for (int i = 0; i < 85; ++i) s += kReplacement;
                         return s;
                       }(),
                       ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The Linux connection table --------------------------------------------

namespace fs = std::filesystem;
using platform::ConnectionTable;
using platform::DriveConnection;
using platform::LinuxNetworkDrives;

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<DriveConnection> expected;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ParseConnectionTableTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseConnectionTableTest, ReadsLines) {
  EXPECT_EQ(platform::ParseConnectionTable(GetParam().text), GetParam().expected);
}

const DriveConnection kK{"K:", R"(\\nas1\Volume_1)", "/mnt/k"};

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseConnectionTableTest,
    ::testing::Values(
        ParseCase{"One", "K:\t\\\\nas1\\Volume_1\t/mnt/k\n", {kK}},
        ParseCase{"NoFinalNewline", "K:\t\\\\nas1\\Volume_1\t/mnt/k", {kK}},
        ParseCase{"LowerCaseLetterAndCrLf", "k:\t\\\\nas1\\Volume_1\t/mnt/k\r\n", {kK}},
        ParseCase{"CommentsAndBlankLines", "# drive\n\nK:\t\\\\nas1\\Volume_1\t/mnt/k\n\n", {kK}},
        // Blanks belong to the fields; only tabs separate.
        ParseCase{"BlanksKept",
                  "Q:\t\\\\nas1\\My Share\t/run/user/1000/gvfs/smb-share:server=nas1,share=my share\n",
                  {{"Q:", R"(\\nas1\My Share)",
                    "/run/user/1000/gvfs/smb-share:server=nas1,share=my share"}}},
        ParseCase{"EmptyMountKept", "K:\t\\\\nas1\\Volume_1\t\n",
                  {{"K:", R"(\\nas1\Volume_1)", ""}}},
        ParseCase{"MalformedLinesSkipped",
                  "K:\t\\\\nas1\\Volume_1\n"            // two fields
                  "K:\ta\tb\tc\n"                          // four fields
                  "KK:\ta\tb\n1:\ta\tb\nK\ta\tb\n"          // not a drive name
                  "C:\ta\tb\n"                              // the root file system
                  "L:\t\t/mnt/l\n"                          // no remote name
                  "K:\t\\\\nas1\\Volume_1\t/mnt/k\n",
                  {kK}},
        ParseCase{"LaterLineForALetterWins",
                  "K:\t\\\\old\\x\t/mnt/old\nM:\t\\\\nas1\\m\t/mnt/m\n"
                  "K:\t\\\\nas1\\Volume_1\t/mnt/k\n",
                  {kK, {"M:", R"(\\nas1\m)", "/mnt/m"}}}),
    [](const auto& info) { return std::string(info.param.name); });

class ConnectionTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kfw-drives.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }

  std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  int FilesIn(const fs::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
  }

  fs::path root;
};

TEST_F(ConnectionTableTest, AddReplaceRemoveAndNothingLeftBehind) {
  const fs::path file = root / "korvex-findway" / "network-drives";
  ConnectionTable table(file);
  EXPECT_TRUE(table.Read().empty()) << "a missing file is an empty table";

  ASSERT_TRUE(table.Add({"k:", R"(\\nas1\Volume_1)", "/mnt/k"}));
  ASSERT_TRUE(table.Add({"M:", R"(\\nas1\Music)", "/mnt/m"}));
  EXPECT_EQ(FileText(file), "# drive\tremote name\tmount folder\n"
                            "K:\t\\\\nas1\\Volume_1\t/mnt/k\n"
                            "M:\t\\\\nas1\\Music\t/mnt/m\n");

  ASSERT_TRUE(table.Add({"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_EQ(table.Find("k:"), (DriveConnection{"K:", R"(\\nas2\Other)", "/mnt/k2"}));
  EXPECT_EQ(table.Read().size(), 2u);

  EXPECT_TRUE(table.Remove("K:"));
  EXPECT_FALSE(table.Remove("K:")) << "already gone";
  EXPECT_FALSE(table.Find("K:").has_value());
  ASSERT_EQ(table.Read().size(), 1u);
  EXPECT_EQ(FilesIn(file.parent_path()), 1) << "no temporary file may stay behind";
}

TEST_F(ConnectionTableTest, RefusesWhatCannotBeStored) {
  ConnectionTable table(root / "network-drives");
  const std::vector<DriveConnection> refused = {
      {"C:", R"(\\nas1\a)", "/mnt"},       {"KK", R"(\\nas1\a)", "/mnt"},
      {"", R"(\\nas1\a)", "/mnt"},         {"K:", "", "/mnt"},
      {"K:", "\\\\nas1\\a\tb", "/mnt"}, {"K:", R"(\\nas1\a)", "/mnt/x\ny"},
      {"K:", R"(\\nas1\a)", "/mnt/x\ry"}};
  for (const DriveConnection& c : refused) {
    EXPECT_FALSE(table.Add(c)) << c.driveName << " " << c.remoteName << " " << c.mountPath;
  }
  EXPECT_FALSE(fs::exists(root / "network-drives"));
}

TEST_F(ConnectionTableTest, FailedWriteKeepsTheOldTableAndNoTemporaryFile) {
  const fs::path file = root / "network-drives";
  fs::create_directory(file);  // a folder where the table should be: the rename fails
  fs::create_directory(file / "occupied");
  ConnectionTable table(file);
  EXPECT_FALSE(table.Add(kK));
  EXPECT_EQ(FilesIn(root), 1);
  EXPECT_TRUE(fs::is_directory(file / "occupied"));
}

TEST_F(ConnectionTableTest, DefaultLocationFollowsTheConfigHome) {
  auto restore = [](const char* name, const char* old) {
    if (old) {
      ::setenv(name, old, 1);
    } else {
      ::unsetenv(name);
    }
  };
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";

  ::setenv("HOME", "/home/tester", 1);
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(ConnectionTable::DefaultLocation(), fs::path("/cfg/korvex-findway/network-drives"));
  ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // invalid, ignored
  EXPECT_EQ(ConnectionTable::DefaultLocation(),
            fs::path("/home/tester/.config/korvex-findway/network-drives"));
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ConnectionTable::DefaultLocation(),
            fs::path("/home/tester/.config/korvex-findway/network-drives"));

  restore("XDG_CONFIG_HOME", oldXdg ? savedXdg.c_str() : nullptr);
  restore("HOME", oldHome ? savedHome.c_str() : nullptr);
}

TEST_F(ConnectionTableTest, LettersAnswerOnlyWhileTheirMountIsLive) {
  const fs::path live = root / "mounts" / "volume_1";
  fs::create_directories(live);
  LinuxNetworkDrives drives(root / "network-drives");
  ASSERT_TRUE(drives.table().Add({"K:", R"(\\nas1\Volume_1)", live.string()}));
  ASSERT_TRUE(drives.table().Add({"L:", R"(\\nas1\Gone)", (root / "mounts" / "gone").string()}));
  ASSERT_TRUE(drives.table().Add({"N:", R"(\\nas1\NoMount)", ""}));

  std::string remote;
  EXPECT_TRUE(drives.RemoteName("K:", remote));
  EXPECT_EQ(remote, R"(\\nas1\Volume_1)");
  EXPECT_FALSE(drives.RemoteName("L:", remote));
  EXPECT_FALSE(drives.RemoteName("N:", remote));
  EXPECT_FALSE(drives.RemoteName("M:", remote));
  EXPECT_FALSE(drives.RemoteName("C:", remote));

  using platform::DriveKind;
  EXPECT_EQ(drives.Kind("C:"), DriveKind::Fixed);
  EXPECT_EQ(drives.Kind("K:"), DriveKind::Remote);
  EXPECT_EQ(drives.Kind("L:"), DriveKind::Remote) << "remembered, even while not mounted";
  EXPECT_EQ(drives.Kind("M:"), DriveKind::NoRootDir);
  EXPECT_EQ(drives.Kind("K"), DriveKind::NoRootDir);

  // The drive table over the real table: C: is never offered, the stale
  // letter is offered plain.
  MappedDriveTable table;
  table.RefreshMappedDrives(drives);
  const auto free = table.FillFreeDriveLetters(drives);
  ASSERT_EQ(free.items.size(), 23u);
  EXPECT_EQ(free.items[15], R"(K: \\nas1\Volume_1)");
  EXPECT_EQ(free.items[14], "L:");
  EXPECT_EQ(free.items.back(), "D:");
  EXPECT_EQ(table.FillShareLocations("nas1", "192.168.1.100", {"volume_1", "Gone"}, true)[0].location,
            "K:");
}

}  // namespace
}  // namespace kfw::shares
