// The install worker and the Language and BitTorrent commands over a
// recording placer, a simulated device and scripted answers: no share, no
// window, virtual time.

#include "core/addon_install.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "tests/support/fake_programs.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using Strings = std::vector<std::string>;

const std::string kHost = "192.168.1.100";
const std::string kCheckDrives = " (none): Please check hard drives.";

// Records every placement as "id writePath -> finalPath"; the `failCall`th
// one (counted from 1) fails.
struct RecordingPlacer final : addons::PayloadPlacer {
  bool PlacePayload(std::string_view kind, uint16_t id, const std::string& writePath,
                    const std::string& finalPath) override {
    kinds.emplace_back(kind);
    calls.push_back(std::to_string(id) + " " + writePath + " -> " + finalPath);
    if (static_cast<int>(calls.size()) != failCall) return true;
    placementFailed = true;
    failureReason = "planted failure";
    return false;
  }
  Strings kinds;
  Strings calls;
  int failCall = 0;
};

// Only the staging folder is asked of it.
struct StagingFiles final : platform::ShareFiles {
  bool Connect(const std::string&) override { return false; }
  bool Write(const std::string&, std::span<const uint8_t>) override { return false; }
  bool Remove(const std::string&) override { return false; }
  bool CopyNew(const std::string&, const std::string&) override { return false; }
  bool Replace(const std::string&, const std::string&) override { return false; }
  bool Exists(const std::string&) override { return false; }
  void LimitTime(std::optional<std::chrono::milliseconds>) override {}
  std::optional<std::string> CreateStagingFolder() override {
    if (!canStage) return std::nullopt;
    created.push_back("/tmp/stage" + std::to_string(created.size()));
    return created.back();
  }
  void RemoveStagingFolder(const std::string& folder) override { removed.push_back(folder); }
  bool canStage = true;
  Strings created, removed;
};

struct Bed : fixtures::SimBed {
  explicit Bed(sim::DeviceConfig config = {}) {
    config.address = kHost;
    device = &Add(config);
    Select(kHost);
    state.device = client.DeviceAt(kHost);  // as the commands set it
  }
  int Queries(uint8_t item) const {
    int n = 0;
    for (const auto& request : device->requestLog()) {
      n += request[0] == protocol::MSG_QUERY && request[21] == item;
    }
    return n;
  }

  sim::SimDevice* device = nullptr;
  RecordingPlacer placer;
  StagingFiles files;
  platform::FakeProgramStarter programs;
  platform::FakeDefaultBrowser browser;
  ScriptedInteraction user;
  AddonState state;
  AddonServices services{client, placer, files, programs, browser, clock, user, state, {}};
};

sim::DeviceConfig Device(std::string sharename, std::vector<std::string> ideok = {"3"},
                         std::vector<std::string> btFirmware = {"1"}) {
  sim::DeviceConfig config;
  config.sharename = {std::move(sharename)};
  config.ideok = std::move(ideok);
  config.btFirmware = std::move(btFirmware);
  config.codepage = "437";
  return config;
}

// Which files go is the next test's; here, the folder the share name gives
// and whether the 2.6 modules (four files for 850) or the 2.4 ones (three) go.
TEST(InstallWorkerTest, ShareNameDecidesFolderAndModules) {
  const struct { const char* sharename; bool answers; std::string folder; std::size_t files; } rows[] = {
      {"HDD_1", true, "HDD_1\\.systemfile\\.codepages\\", 4},  // as it was answered
      {"hdd_1", true, "hdd_1\\.systemfile\\.codepages\\", 4},
      {"HDD_a", true, "HDD_a\\.codepages\\", 3},
      {"hdd_a", true, "HDD_a\\.codepages\\", 3},
      {"HDD_1", false, "HDD_a\\.codepages\\", 3},  // no answer at all
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.sharename + std::string(row.answers ? "" : " unanswered"));
    sim::DeviceConfig config = Device(row.sharename);
    if (!row.answers) config.ignoreItems = {protocol::QUERY_SHARENAME};
    Bed bed(config);
    bed.state.languageIndex = 2;
    EXPECT_EQ(RunInstall(bed.services, RunKind::Codepage, kHost), InstallResult::Confirmed);
    EXPECT_EQ(bed.placer.calls.size(), row.files);
    for (const std::string& call : bed.placer.calls) EXPECT_EQ(call.find(" \\\\192.168.1.100\\" + row.folder), 3u) << call;
    EXPECT_EQ(bed.placer.kinds, Strings(row.files, "Codepage"));
    // One query settles a known name; an unanswered one is asked ten times.
    EXPECT_EQ(bed.Queries(protocol::QUERY_SHARENAME), row.answers ? 1 : 10);
    EXPECT_EQ(bed.device->config().accessMode, "rw");
  }
}

TEST(InstallWorkerTest, BitTorrentFilesGoThroughTheStagingFolder) {
  for (const char* sharename : {"HDD_1", "HDD_a"}) {
    SCOPED_TRACE(sharename);
    Bed bed(Device(sharename));
    EXPECT_EQ(RunInstall(bed.services, RunKind::BitTorrent, kHost), InstallResult::Confirmed);
    const std::string share = std::string("\\\\192.168.1.100\\") + sharename + "\\Nas_Prog/BT\\";
    EXPECT_EQ(bed.placer.calls, (Strings{"215 /tmp/stage0/bt -> " + share + "bt",
                                         "220 /tmp/stage0/btdog -> " + share + "btdog"}));
    EXPECT_EQ(bed.placer.kinds, (Strings{"BT", "BT"}));
    EXPECT_EQ(bed.state.stagingFolder, "/tmp/stage0");
  }
}

// Each language's files in the order they are written, for a 2.4 (HDD_a)
// and a 2.6 (HDD_1) device; the code page is announced either way.
TEST(InstallWorkerTest, FilesPerLanguageAndModuleSet) {
  const struct { int index; const char* linux24; const char* linux26; } rows[] = {
      {0, "151 codepage.950|153 nls_cp950.o|155 nls_big5.o|156 unicode_map.950",
       "151 codepage.950|174 nls_cp950.ko|192 nls_cp950_12.ko|156 unicode_map.950"},
      {1, "157 codepage.936|158 nls_cp936.o|159 nls_gb2312.o|160 unicode_map.936",
       "157 codepage.936|175 nls_cp936.ko|190 nls_cp936_12.ko|160 unicode_map.936"},
      {2, "143 codepage.850|145 nls_cp850.o|148 unicode_map.850",
       "143 codepage.850|179 nls_cp850.ko|187 nls_cp850_12.ko|148 unicode_map.850"},
      {3, "", ""},
      {4, "", ""},
      {5, "", ""},
      {6, "165 codepage.949|166 nls_cp949.o|167 nls_euc-kr.o|168 unicode_map.949",
       "165 codepage.949|176 nls_cp949.ko|191 nls_cp949_12.ko|168 unicode_map.949"},
      {7, "169 codepage.866|170 nls_cp866.o|185 nls_koi8-r.o|171 unicode_map.866|184 unicode_map.KOI8-R",
       "169 codepage.866|177 nls_cp866.ko|183 nls_koi8-r.ko|188 nls_cp866_12.ko|194 nls_koi8-r_12.ko|"
       "171 unicode_map.866|184 unicode_map.KOI8-R"},
      {8, "161 codepage.932|162 nls_cp932.o|163 nls_euc-jp.o|172 nls_sjis.o|164 unicode_map.932",
       "161 codepage.932|173 nls_cp932.ko|178 nls_euc-jp.ko|189 nls_cp932_12.ko|193 nls_euc-jp_12.ko|"
       "164 unicode_map.932"},
  };
  Bed old(Device("HDD_a"));
  Bed recent(Device("HDD_1"));
  for (const auto& row : rows) {
    for (Bed* bed : {&old, &recent}) {
      SCOPED_TRACE(testing::Message() << LanguageText(row.index) << (bed == &old ? " 2.4" : " 2.6"));
      bed->placer.calls.clear();
      bed->state.languageIndex = row.index;
      EXPECT_EQ(RunInstall(bed->services, RunKind::Codepage, kHost), InstallResult::Confirmed);
      std::string written;
      for (const std::string& call : bed->placer.calls) {
        // "id \\host\...\name -> ": the id and the file's name.
        const auto name = call.rfind('\\') + 1;
        written += (written.empty() ? "" : "|") + call.substr(0, call.find(' ') + 1) +
                   call.substr(name, call.size() - 4 - name);
      }
      EXPECT_EQ(written, bed == &old ? row.linux24 : row.linux26);
      EXPECT_EQ(bed->device->config().codepage, LanguageCodepage(row.index));
    }
  }
}

// The device is told to stop, the user to check the drives, and nothing is
// announced; the Language dialog will come back.
TEST(InstallWorkerTest, FailedRunStopsTheDevice) {
  const struct { const char* what; RunKind kind; const char* sharename; int failCall; bool canStage;
                 std::size_t calls; } rows[] = {
      {"first code page file", RunKind::Codepage, "HDD_1", 1, true, 1},
      {"third code page file", RunKind::Codepage, "HDD_a", 3, true, 3},
      {"unknown share", RunKind::Codepage, "USB_1", 0, true, 0},
      {"second BitTorrent file", RunKind::BitTorrent, "HDD_1", 2, true, 2},
      {"no staging folder", RunKind::BitTorrent, "HDD_1", 0, false, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Bed bed(Device(row.sharename));
    bed.placer.failCall = row.failCall;
    bed.files.canStage = row.canStage;
    bed.state.languageIndex = 2;
    EXPECT_EQ(RunInstall(bed.services, row.kind, kHost), InstallResult::Unplaced);
    EXPECT_EQ(bed.placer.calls.size(), row.calls);
    EXPECT_TRUE(bed.placer.placementFailed);
    EXPECT_EQ(bed.user.messages, (Strings{"loading", kCheckDrives}));
    EXPECT_EQ(bed.device->config().control, "stop");
    EXPECT_EQ(bed.device->config().codepage, "437");
    EXPECT_EQ(bed.device->config().addon, "");
    EXPECT_FALSE(bed.state.bitTorrentDelivered);
  }
}

TEST(AddonCommandTest, NoDeviceSelected) {
  Bed bed;
  EXPECT_EQ(LanguageCommand(bed.services, false, kHost, kHost).outcome, AddonEnd::NoDevice);
  const AddonResult result = BitTorrentCommand(bed.services, false, kHost, kHost);
  EXPECT_FALSE(result.restarted);
  EXPECT_EQ(result.outcome, AddonEnd::NoDevice);
  EXPECT_EQ(result.failure, Failure::NotFound);
  EXPECT_EQ(bed.user.messages, Strings(2, "Error (stop): Please select a device."));
  EXPECT_TRUE(bed.net.sent().empty());
}

TEST(LanguageCommandTest, DiskStateDecides) {
  const std::string format = " (none): Please format hard drive.";
  const struct { std::vector<std::string> ideok; Strings messages; int diskQueries; } rows[] = {
      {{"1"}, {" (none): No hard drives were detected.\nPlease verify that the hard drives are properly "
               "connected before continuing."}, 1},
      {{"2"}, {format}, 1},
      {{"4"}, {" (none): This device supports Unicode."}, 1},
      {{"0", "x", "9"}, {" (none): Multi-language options are not supported on this device."}, 10},
      {{"0", "3"}, {"language?"}, 2},  // Cancel
      {{"5"}, {"language?"}, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ideok.back());
    Bed bed(Device("HDD_1", row.ideok));
    const AddonResult result = LanguageCommand(bed.services, true, kHost, kHost);
    EXPECT_FALSE(result.restarted);
    EXPECT_EQ(bed.user.messages, row.messages);
    EXPECT_EQ(bed.state.addonOutcome, -1);
    EXPECT_EQ(result.outcome, row.messages[0] == "language?" ? AddonEnd::Cancelled : AddonEnd::DiskRefused);
    EXPECT_EQ(bed.Queries(protocol::QUERY_IDEOK), row.diskQueries);
    EXPECT_EQ(bed.programs.runs, row.messages[0] == format ? Strings{"explorer http://192.168.1.100"} : Strings{});
    if (!bed.user.languageQuestions.empty()) {
      EXPECT_EQ(bed.user.languageQuestions[0].allCodepages, row.ideok.back() == "5");
    }
  }
}

TEST(LanguageCommandTest, PreselectsTheDevicesCodepage) {
  const struct { const char* codepage; int preselected, queries; } rows[] = {
      {"850", 2, 1}, {"949", 6, 1}, {"932", 8, 1}, {"437", 2, 10}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.codepage);
    sim::DeviceConfig config = Device("HDD_1");
    config.codepage = row.codepage;
    Bed bed(config);
    LanguageCommand(bed.services, true, kHost, kHost);
    ASSERT_EQ(bed.user.languageQuestions.size(), 1u);
    EXPECT_EQ(bed.user.languageQuestions[0].preselected, row.preselected);
    EXPECT_EQ(bed.Queries(protocol::QUERY_CODEPAGE), row.queries);
  }
}

TEST(LanguageCommandTest, FirmwareRefusesSomeCodepages) {
  for (int index = 0; index < kLanguageCount; ++index) {
    EXPECT_EQ(LanguageRefusal(index, false).has_value(), index >= 3 && index <= 5) << index;
    EXPECT_FALSE(LanguageRefusal(index, true)) << index;
  }
  const std::string refusal =
      " (none): This codepage does not supported in this firmware.\nPlease download the latest "
      "firmware from the support link.";

  // A front end that lets one through: refused again, and the dialog asked again.
  Bed plain(Device("HDD_1", {"3"}));
  plain.user.languages = {4};
  const AddonResult refused = LanguageCommand(plain.services, true, kHost, kHost);
  EXPECT_EQ(plain.user.messages, (Strings{"language?", refusal, "language?"}));
  EXPECT_EQ(plain.device->config().codepage, "437");
  EXPECT_EQ(refused.outcome, AddonEnd::LanguageRefused);
  EXPECT_EQ(refused.failure, Failure::Refused);

  // Disk state 5 takes them: no file to place, only the code page sent.
  Bed all(Device("HDD_1", {"5"}));
  all.user.languages = {4};
  const AddonResult installed = LanguageCommand(all.services, true, kHost, kHost);
  EXPECT_TRUE(installed.restarted);
  EXPECT_TRUE(installed.ok());
  EXPECT_EQ(all.user.messages, (Strings{"language?", "loading", "restart"}));
  EXPECT_TRUE(all.placer.calls.empty());
  EXPECT_EQ(all.device->config().codepage, "852");
  EXPECT_EQ(all.state.addonOutcome, 0);
  EXPECT_EQ(installed.outcome, AddonEnd::Installed);
}

// A failed run opens a new dialog after a fresh disk check; only a run that
// reaches the restart asks for a refresh.
TEST(LanguageCommandTest, FailedRunOffersTheDialogAgain) {
  for (const bool retry : {true, false}) {
    SCOPED_TRACE(retry ? "retried" : "cancelled");
    Bed bed(Device("HDD_1"));
    bed.placer.failCall = 1;
    bed.user.languages = {2};
    if (retry) bed.user.languages.push_back(8);
    const AddonResult result = LanguageCommand(bed.services, true, kHost, kHost);
    EXPECT_EQ(result.restarted, retry);
    Strings expected{"language?", "loading", kCheckDrives, "language?"};
    if (retry) expected.insert(expected.end(), {"loading", "restart"});
    EXPECT_EQ(bed.user.messages, expected);
    EXPECT_EQ(bed.Queries(protocol::QUERY_IDEOK), 2);
    EXPECT_EQ(bed.device->config().codepage, retry ? "932" : "437");
    EXPECT_EQ(bed.state.addonOutcome, retry ? 0 : -1);
    EXPECT_EQ(result.outcome, retry ? AddonEnd::Installed : AddonEnd::PlacementFailed);
    // The file server's reason stays behind the message, and is the result's.
    EXPECT_EQ(bed.user.details, Strings{"planted failure"});
    EXPECT_EQ(result.detail, retry ? "" : "planted failure");
  }
}

// The device takes the empty administrator password, so no Login dialog.
TEST(BitTorrentCommandTest, DiskAndAddonStateDecide) {
  const std::string unsupported = " (none): BitTorrent does not supported on this device now.";
  const struct { const char* ideok; Strings btFirmware; bool installs; std::string message; int addonQueries; } rows[] = {
      {"4", {"1"}, true, "", 2},
      {"5", {"0", "1"}, true, "", 2},
      {"3", {"2", "1"}, false, unsupported, 1},  // 2 is final: no polling
      {"3", {"0"}, false, unsupported, 16},
      {"1", {"1"}, false, " (none): No hard drives were detected.\nPlease verify that the hard drives "
                          "are properly connected before continuing.", 2},
      {"2", {"1"}, false, " (none): Please format hard drive.", 2},
      {"0", {"1"}, false, unsupported, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.ideok << "/" << row.btFirmware[0]);
    Bed bed(Device("HDD_1", {row.ideok}, row.btFirmware));
    const AddonResult result = BitTorrentCommand(bed.services, true, kHost, kHost);
    EXPECT_EQ(result.restarted, row.installs);
    EXPECT_EQ(bed.Queries(protocol::QUERY_BT_FIRMWARE), row.addonQueries);
    EXPECT_EQ(bed.Queries(protocol::QUERY_IDEOK), row.ideok == std::string("0") ? 15 : 1);
    const Strings messages = row.installs ? Strings{"loading", "restart"} : Strings{row.message};
    EXPECT_EQ(bed.user.messages, messages);
    EXPECT_EQ(bed.programs.runs, row.ideok == std::string("2") ? Strings{"explorer http://192.168.1.100"} : Strings{});
    EXPECT_EQ(bed.state.addonOutcome, row.installs ? 0 : -1);
    EXPECT_EQ(result.outcome, row.installs ? AddonEnd::Installed : AddonEnd::DiskRefused);
    EXPECT_EQ(bed.device->config().addon, row.installs ? "BT" : "");
    EXPECT_EQ(bed.files.removed, bed.files.created);
    EXPECT_EQ(bed.files.created.size(), row.installs ? 1u : 0u);
    EXPECT_TRUE(bed.user.questions.empty());
    EXPECT_FALSE(bed.state.bitTorrentDelivered);
  }
}

// Every file placed, but the device never answers the announcement: an
// error, no restart wait, no refresh, and no new Language dialog.
TEST(AddonCommandTest, UnconfirmedAnnouncementIsNoSuccess) {
  const std::string unconfirmed = "Error (stop): The device did not confirm the installation.";
  for (const bool language : {true, false}) {
    SCOPED_TRACE(language ? "language" : "BitTorrent");
    sim::DeviceConfig config = Device("HDD_1");
    config.ignoreItems = {language ? protocol::SET_CODEPAGE : protocol::SET_ADDON};
    Bed bed(config);
    bed.state.addonOutcome = 0;  // an earlier install's
    bed.user.languages = {2};
    const AddonResult result = language ? LanguageCommand(bed.services, true, kHost, kHost)
                                        : BitTorrentCommand(bed.services, true, kHost, kHost);
    EXPECT_FALSE(result.restarted);
    EXPECT_EQ(result.failure, Failure::NotFound);
    EXPECT_EQ(result.detail, language ? "the device did not answer the setting of code page 850"
                                      : "the device did not answer the announcement of the add-on");
    EXPECT_EQ(bed.user.details, Strings{result.detail});
    const Strings expected = language ? Strings{"language?", "loading", unconfirmed} : Strings{"loading", unconfirmed};
    EXPECT_EQ(bed.user.messages, expected);
    EXPECT_EQ(bed.placer.calls.size(), language ? 4u : 2u);
    EXPECT_EQ(result.outcome, AddonEnd::Unconfirmed);
    EXPECT_EQ(bed.state.addonOutcome, -1);
    EXPECT_EQ(bed.files.removed, bed.files.created);
  }
}

// addonOutcome still holds the 0 of an earlier install: the failed run must
// not ask for a refresh, and its staging folder goes all the same.
TEST(BitTorrentCommandTest, FailedPlacementCleansUpWithoutRefresh) {
  Bed bed(Device("HDD_1"));
  bed.placer.failCall = 2;
  bed.state.addonOutcome = 0;
  const AddonResult result = BitTorrentCommand(bed.services, true, kHost, kHost);
  EXPECT_FALSE(result.restarted);
  EXPECT_EQ(result.failure, Failure::Local);
  EXPECT_EQ(bed.user.messages, (Strings{"loading", kCheckDrives}));
  EXPECT_EQ(bed.files.removed, bed.files.created);
  EXPECT_EQ(bed.files.removed.size(), 1u);
  EXPECT_EQ(bed.state.stagingFolder, "");
  EXPECT_EQ(bed.state.addonOutcome, -1);
  EXPECT_EQ(result.outcome, AddonEnd::PlacementFailed);
}

}  // namespace
}  // namespace kfw::core
