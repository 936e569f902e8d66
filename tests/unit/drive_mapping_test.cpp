// Connect and Disconnect over fake drive letters, scripted answers and a
// simulated device that answers the domain query.

#include "core/drive_mapping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "tests/support/fake_network_drives.h"
#include "tests/support/scripted_interaction.h"

namespace kfw::core {
namespace {

using Strings = std::vector<std::string>;
using platform::FakeNetworkDrives;

// One device, "Office" at 192.168.1.100, selected, answering `domain`.
struct Bed : fixtures::SimBed {
  explicit Bed(std::string domain = "") {
    sim::DeviceConfig office;
    office.name = "Office";
    office.address = "192.168.1.100";
    office.domain = std::move(domain);
    Add(office);
    Select("192.168.1.100");
  }
  ConnectOutcome Connect(std::optional<std::string> share = "HDD_1", std::optional<std::string> item = "K:") {
    last = ConnectShare({client, drives, system, user}, {"Office", share, "", item, selected});
    return last.outcome;
  }
  CommandResult<ConnectOutcome> last;
  // Each attempt as "user/password/flags", "-" for a password left to the system.
  Strings Attempts() const {
    Strings out;
    for (const auto& a : drives.attempts) {
      EXPECT_EQ(a.localName + " " + a.remoteName, "K: \\\\Office\\HDD_1");
      out.push_back(a.user + "/" + a.password.value_or("-") + "/" + std::to_string(a.flags));
    }
    return out;
  }

  FakeNetworkDrives drives;
  FakeSystem system;
  ScriptedInteraction user;
};

TEST(ConnectShareTest, NothingToConnectWithoutAShareRowOrALetter) {
  Bed bed;
  EXPECT_EQ(bed.Connect(std::nullopt), ConnectOutcome::NothingDone);
  EXPECT_EQ(bed.user.messages, Strings{"Warning (exclamation): Please select a device in the above section."});
  // A share row without a device row names no server: the same refusal.
  EXPECT_EQ(ConnectShare({bed.client, bed.drives, bed.system, bed.user}, {std::nullopt, "HDD_1", "", "K:", bed.selected})
                .outcome,
            ConnectOutcome::NothingDone);
  EXPECT_EQ(bed.user.messages.size(), 2u);
  EXPECT_EQ(bed.Connect("HDD_1", std::nullopt), ConnectOutcome::NothingDone);
  EXPECT_EQ(bed.user.messages.size(), 2u);
  EXPECT_TRUE(bed.drives.attempts.empty());
  EXPECT_TRUE(bed.drives.cancels.empty());
}

TEST(ConnectShareTest, ALetterInUseIsAskedForAndFreedFirst) {
  Bed bed;
  bed.drives.Connect('K', "\\\\other\\old");
  bed.user.driveInUseAnswer = DriveInUseAnswer::Keep;
  EXPECT_EQ(bed.Connect("HDD_1", "K: \\\\other\\old"), ConnectOutcome::NothingDone);
  EXPECT_EQ(bed.user.messages, Strings{"drive in use?"});
  EXPECT_TRUE(bed.drives.cancels.empty());

  // OK: the old connection goes before the new one is tried; a failed new
  // one leaves the letter free.
  bed.user.driveInUseAnswer = DriveInUseAnswer::UseIt;
  bed.drives.accept = [](const auto&) { return platform::ConnectAnswer::Failed; };
  bed.drives.reason = "mount: Connection refused";
  EXPECT_EQ(bed.Connect("HDD_1", "K: \\\\other\\old"), ConnectOutcome::Failed);
  // The system's reason, behind the message and in the result.
  const std::string reason = "cannot map \\\\Office\\HDD_1 (K:): mount: Connection refused";
  EXPECT_EQ(bed.user.details, Strings{reason});
  EXPECT_EQ(bed.last.detail, reason);
  EXPECT_EQ(bed.last.failure, Failure::Local);
  EXPECT_EQ(bed.drives.cancels, Strings{"K: 1 force"});
  std::string remote;
  EXPECT_FALSE(bed.drives.RemoteName("K:", remote));
  EXPECT_EQ(bed.user.messages.back(), "Error (stop): Failed to map drive.");

  // A letter shown plain is never asked about, yet its remembered
  // connection is removed all the same.
  bed.user.messages.clear();
  bed.drives.accept = [](const auto&) { return platform::ConnectAnswer::Connected; };
  EXPECT_EQ(bed.Connect(), ConnectOutcome::Connected);
  EXPECT_EQ(bed.user.messages, Strings{"Confirm (information): Successfully mapped drive."});
  EXPECT_EQ(bed.drives.cancels.size(), 2u);
}

TEST(ConnectShareTest, CredentialsByDomainAndVersion) {
  // `accepted`: the attempt that succeeds (1-based); 0: none.
  const struct { platform::VersionReport version; std::string domain; int accepted; Strings attempts; int logins; } rows[] = {
      // Guest first, then the typed credentials.
      {{platform::PlatformFamily::Other, 6, 1, 0}, "", 1, {"//1"}, 0},
      {{platform::PlatformFamily::Other, 6, 1, 0}, "", 2, {"//1", "bob/pw/1"}, 1},
      // In a domain: the workstation's user with the system's password, then the typed user.
      {{platform::PlatformFamily::Other, 6, 1, 0}, "CORP", 2, {"CORP\\alice/-/1", "CORP\\bob/pw/1"}, 1},
      {{platform::PlatformFamily::Other, 6, 1, 0}, "CORP", 0, {"CORP\\alice/-/1", "CORP\\bob/pw/1"}, 1},
      // Windows NT 4: the dialog first, then up to six tries.
      {{platform::PlatformFamily::WindowsNT, 4, 0, 1381}, "CORP", 0, Strings(6, "bob/pw/1"), 1},
      {{platform::PlatformFamily::WindowsNT, 4, 0, 1381}, "", 3, Strings(3, "bob/pw/1"), 1},
      // Vista: the system asks for credentials itself.
      {{platform::PlatformFamily::WindowsNT, 6, 0, 6000}, "", 0, {"//1", "//9"}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    Bed bed(row.domain);
    bed.system.report = row.version;
    bed.user.answers.push_back(Credentials{"bob", "pw"});
    int tries = 0;
    // Every attempt but the accepted one is turned down by the share.
    bed.drives.accept = [&](const auto&) {
      return ++tries == row.accepted ? platform::ConnectAnswer::Connected : platform::ConnectAnswer::Refused;
    };
    EXPECT_EQ(bed.Connect(), row.accepted ? ConnectOutcome::Connected : ConnectOutcome::Refused);
    EXPECT_EQ(bed.last.failure, row.accepted ? Failure::None : Failure::Refused);
    EXPECT_EQ(bed.Attempts(), row.attempts);
    EXPECT_EQ(bed.user.questions.size(), static_cast<std::size_t>(row.logins));
    for (const LoginQuestion& q : bed.user.questions) EXPECT_EQ(q.loginMode, LoginMode::ShareAccess);
    EXPECT_EQ(bed.user.messages.back(), row.accepted ? "Confirm (information): Successfully mapped drive."
                                                     : "Error (stop): Failed to map drive.");
  }

  // A login answer that ends the whole command: no attempt with it, nothing said.
  for (const bool nt : {false, true}) {
    Bed bed;
    if (nt) bed.system.report = {platform::PlatformFamily::WindowsNT, 4, 0, 1381};
    bed.drives.accept = [](const auto&) { return platform::ConnectAnswer::Refused; };
    bed.user.abandonOnCancel = true;
    EXPECT_EQ(bed.Connect(), ConnectOutcome::NothingDone);
    EXPECT_EQ(bed.last.failure, Failure::BadInput);
    EXPECT_EQ(bed.Attempts(), nt ? Strings{} : Strings{"//1"});
    EXPECT_TRUE(bed.user.messages.empty());
  }
}

TEST(DisconnectDriveTest, TheShareRowDecidesOverTheLetters) {
  Bed bed;
  bed.drives.Connect('M', "\\\\Office\\HDD_1");
  bed.drives.Connect('Y', "\\\\other\\x");
  const DriveMappingServices s{bed.client, bed.drives, bed.system, bed.user};
  EXPECT_FALSE(DisconnectDrive(s, {"Office", std::nullopt, std::nullopt, std::nullopt, bed.selected}).ok());
  EXPECT_TRUE(bed.user.messages.empty());

  EXPECT_TRUE(DisconnectDrive(s, {"Office", "HDD_1", "M:", "Y: \\\\other\\x", bed.selected}).ok());
  EXPECT_EQ(bed.drives.cancels, Strings{"M: 1 force"});
  EXPECT_TRUE(DisconnectDrive(s, {"Office", std::nullopt, std::nullopt, "Y: \\\\other\\x", bed.selected}).ok());
  EXPECT_EQ(bed.user.messages, (Strings{"Confirm (information): Successfully unmapped drive.",
                                        "Confirm (information): Successfully unmapped drive."}));
  // A share row without a letter: nothing to remove.
  bed.drives.reason = "no connection on ";
  const CommandEnd end = DisconnectDrive(s, {"Office", "HDD_1", "", "K:", bed.selected});
  EXPECT_EQ(end.failure, Failure::Local);
  EXPECT_EQ(end.detail, "the mapping cannot be removed: no connection on ");
  EXPECT_EQ(bed.user.details, Strings{end.detail});
  EXPECT_EQ(bed.user.messages.back(),
            "Error (stop): Unable to disconnect this drive.\nPlease select a drive to disconnect and verify "
            "that the drive is not being accessed.");
  EXPECT_EQ(bed.drives.cancels.back(), " 1 force");
}

}  // namespace
}  // namespace kfw::core
