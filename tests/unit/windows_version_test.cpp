#include "app/windows_version.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/linux_system_info.h"

namespace kfw::app {
namespace {

using platform::PlatformFamily;
using platform::VersionReport;

struct VersionCase {
  PlatformFamily platform;
  int major;
  int minor;
  unsigned build;
  const char* text;
  int code;
};
void PrintTo(const VersionCase& c, std::ostream* os) {
  *os << static_cast<int>(c.platform) << " " << c.major << "." << c.minor << " build " << c.build;
}

class GetWindowsVersionNameTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(GetWindowsVersionNameTest, MapsTheReport) {
  const VersionCase& c = GetParam();
  const VersionReport report{c.platform, c.major, c.minor, c.build};
  const WindowsVersionName name = GetWindowsVersionName(&report);
  EXPECT_EQ(name.text, c.text);
  EXPECT_EQ(name.code, c.code);
  EXPECT_EQ(name.result, 1);
}

constexpr auto k9x = PlatformFamily::Windows9x;
constexpr auto kNT = PlatformFamily::WindowsNT;
constexpr auto kCE = PlatformFamily::WindowsCE;
constexpr const char* kUnknown = "unknown Windows version";

INSTANTIATE_TEST_SUITE_P(
    Rows, GetWindowsVersionNameTest,
    ::testing::Values(
        VersionCase{k9x, 4, 0, 950, "Windows 95", 1},
        VersionCase{k9x, 4, 3, 951, "Windows 95 SP1", 2},
        VersionCase{k9x, 4, 0, 1080, "Windows 95 SP1", 2},
        VersionCase{k9x, 4, 0, 1081, "Windows 95 OSR2", 3},
        VersionCase{k9x, 4, 10, 1998, "Windows 98", 4},
        VersionCase{k9x, 4, 10, 1999, "Windows 98 SP1", 5},
        VersionCase{k9x, 4, 10, 2182, "Windows 98 SP1", 5},
        VersionCase{k9x, 4, 10, 2183, "Windows 98 SE", 6},
        VersionCase{k9x, 4, 10, 2222, "Windows 98 SE", 6},
        VersionCase{k9x, 4, 90, 3000, "Windows ME", 7},
        // Only the low 16 bits of the build count: 9x keeps the version there.
        VersionCase{k9x, 4, 10, 0x040A07CEu, "Windows 98", 4},
        VersionCase{k9x, 4, 0, 0x000103B6u, "Windows 95", 1},
        VersionCase{kNT, 3, 51, 1057, "Windows NT 3.51", 101},
        VersionCase{kNT, 4, 0, 1381, "Windows NT 4", 102},
        VersionCase{kNT, 5, 0, 2195, "Windows 2000", 103},
        VersionCase{kNT, 5, 1, 2600, "Windows XP", 104},
        VersionCase{kNT, 6, 0, 6000, "Vista", 0},
        VersionCase{kNT, 6, 1, 7601, "Vista", 0},
        VersionCase{kCE, 5, 2, 1, "Windows CE", 201},
        // Combinations the table does not name.
        VersionCase{k9x, 4, 0, 949, kUnknown, 0},
        VersionCase{k9x, 4, 10, 1997, kUnknown, 0},
        VersionCase{k9x, 4, 50, 1998, kUnknown, 0},
        VersionCase{k9x, 5, 0, 950, kUnknown, 0},
        VersionCase{kNT, 5, 2, 3790, kUnknown, 0},
        VersionCase{kNT, 3, 50, 807, kUnknown, 0},
        VersionCase{kNT, 10, 0, 19045, kUnknown, 0},
        VersionCase{PlatformFamily::Other, 6, 1, 0, kUnknown, 0}));

TEST(GetWindowsVersionNameTest, RefusedReportGivesResultZero) {
  const WindowsVersionName name = GetWindowsVersionName(nullptr);
  EXPECT_EQ(name.text, kUnknown);
  EXPECT_EQ(name.code, 0);
  EXPECT_EQ(name.result, 0);
}

class FakeSystemInfo final : public platform::SystemInfo {
 public:
  std::optional<VersionReport> report;  // nothing: the system refuses
  std::string user;
  bool Version(VersionReport& out) override {
    if (!report) return false;
    out = *report;
    return true;
  }
  std::string LoggedOnUser() override { return user; }
};

struct PrefillCase {
  const char* name;
  std::optional<VersionReport> report;
  std::string user;
  std::optional<std::string> locked;
};
void PrintTo(const PrefillCase& c, std::ostream* os) { *os << c.name; }

class LockedShareUserNameTest : public ::testing::TestWithParam<PrefillCase> {};

TEST_P(LockedShareUserNameTest, LocksTheLogonNameOnlyOn98AndMe) {
  const PrefillCase& c = GetParam();
  FakeSystemInfo system;
  system.report = c.report;
  system.user = c.user;
  EXPECT_EQ(LockedShareUserName(system), c.locked);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, LockedShareUserNameTest,
    ::testing::Values(
        PrefillCase{"Win98", VersionReport{k9x, 4, 10, 1998}, "alice", "alice"},
        PrefillCase{"Win98SE", VersionReport{k9x, 4, 10, 2222}, "alice", "alice"},
        PrefillCase{"WinMe", VersionReport{k9x, 4, 90, 3000}, "bob", "bob"},
        PrefillCase{"Win95", VersionReport{k9x, 4, 0, 950}, "alice", std::nullopt},
        PrefillCase{"WinXP", VersionReport{kNT, 5, 1, 2600}, "alice", std::nullopt},
        PrefillCase{"Win7", VersionReport{kNT, 6, 1, 7601}, "alice", std::nullopt},
        PrefillCase{"Linux", VersionReport{PlatformFamily::Other, 6, 1, 0}, "alice", std::nullopt},
        PrefillCase{"Refused", std::nullopt, "alice", std::nullopt},
        // A logon name that cannot be read leaves the field for the user.
        PrefillCase{"Win98NoName", VersionReport{k9x, 4, 10, 1998}, "", std::nullopt},
        PrefillCase{"Win98NameTooLong", VersionReport{k9x, 4, 10, 1998}, std::string(128, 'u'),
                    std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxSystemInfoTest, ReleaseNumbersAndNoWindowsFamily) {
  const VersionReport r = platform::VersionFromRelease("6.1.0-13-amd64");
  EXPECT_EQ(r.platform, PlatformFamily::Other);
  EXPECT_EQ(r.major, 6);
  EXPECT_EQ(r.minor, 1);
  EXPECT_EQ(r.build, 0u);
  const VersionReport partial = platform::VersionFromRelease("5.15-rc2");
  EXPECT_EQ(partial.major, 5);
  EXPECT_EQ(partial.minor, 15);
  EXPECT_EQ(partial.build, 0u);
  const VersionReport full = platform::VersionFromRelease("4.19.289");
  EXPECT_EQ(full.build, 289u);

  platform::LinuxSystemInfo system;
  VersionReport report;
  ASSERT_TRUE(system.Version(report));
  EXPECT_EQ(report.platform, PlatformFamily::Other);
  EXPECT_GT(report.major, 0);
  EXPECT_EQ(GetWindowsVersionName(system).text, kUnknown);
  EXPECT_EQ(LockedShareUserName(system), std::nullopt);
}

}  // namespace
}  // namespace kfw::app
