#include "shares/drive_table.h"

#include <gtest/gtest.h>

#include "tests/support/fake_network_drives.h"

namespace kfw::shares {
namespace {

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
  const auto free = table.FillFreeDriveLetters();
  EXPECT_EQ(free.items, (Strings{R"(Z: \\nas1\Volume_1)", R"(Y: \\nas1\Volume_1\Photos)", "X:",
                                 R"(W: \\nas1\)" + longest, "V:", "Q:", "P:", "O:", "N:", "M:",
                                 "L:", "K:", "J:", "I:", "H:", "G:", "F:", "E:", "D:"}));
  EXPECT_EQ(free.defaultIndex, 2);
  drives.Disconnect('Z');
  table.RefreshMappedDrives(drives);
  EXPECT_EQ(table.FillFreeDriveLetters().items.at(0), "Z:") << "a dropped connection is gone";
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

}  // namespace
}  // namespace kfw::shares
