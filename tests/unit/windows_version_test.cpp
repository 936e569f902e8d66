#include "core/windows_version.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "tests/support/scripted_interaction.h"


namespace kfw::core {
namespace {

using platform::VersionReport;
using enum platform::PlatformFamily;
constexpr const char* kUnknown = "unknown Windows version";

auto Fields(const WindowsVersionName& n) { return std::tuple(n.text, n.code, n.result); }

TEST(GetWindowsVersionNameTest, NamesTheReportAndLocksTheLogonNameOnlyOn98AndMe) {
  // Only the low 16 bits of the build count; 9x keeps its version in the high ones.
  using Reports = std::vector<VersionReport>;
  const struct { const char* text; int code; bool locks; Reports reports; } rows[] = {
      {"Windows 95", 1, false, {{Windows9x, 4, 0, 950}}},
      {"Windows 95 SP1", 2, false, {{Windows9x, 4, 3, 951}, {Windows9x, 4, 0, 1080}}},
      {"Windows 95 OSR2", 3, false, {{Windows9x, 4, 0, 1081}}},
      {"Windows 98", 4, true, {{Windows9x, 4, 10, 1998}, {Windows9x, 4, 10, 0x040A07CEu}}},
      {"Windows 98 SP1", 5, true, {{Windows9x, 4, 10, 1999}, {Windows9x, 4, 10, 2182}}},
      {"Windows 98 SE", 6, true, {{Windows9x, 4, 10, 2183}}},
      {"Windows ME", 7, true, {{Windows9x, 4, 90, 3000}}},
      {"Windows NT 3.51", 101, false, {{WindowsNT, 3, 51, 1057}}},
      {"Windows NT 4", 102, false, {{WindowsNT, 4, 0, 1381}}},
      {"Windows 2000", 103, false, {{WindowsNT, 5, 0, 2195}}},
      {"Windows XP", 104, false, {{WindowsNT, 5, 1, 2600}}},
      {"Vista", 0, false, {{WindowsNT, 6, 0, 6000}, {WindowsNT, 6, 1, 7601}}},
      {"Windows CE", 201, false, {{WindowsCE, 5, 2, 1}}},
      {kUnknown, 0, false, {{Windows9x, 4, 0, 949}, {Windows9x, 4, 10, 1997}}},
      {kUnknown, 0, false, {{Windows9x, 4, 50, 1998}, {Windows9x, 5, 0, 950}}},
      {kUnknown, 0, false, {{WindowsNT, 3, 50, 807}, {WindowsNT, 5, 2, 3790}}},
      {kUnknown, 0, false, {{WindowsNT, 10, 0, 19045}, {Other, 6, 1, 0}}},
  };
  for (const auto& row : rows)
    for (const VersionReport& r : row.reports) {
      FakeSystem system(r, "alice");
      EXPECT_EQ(Fields(GetWindowsVersionName(system)), std::tuple(row.text, row.code, 1))
          << r.major << "." << r.minor << " build " << r.build;
      EXPECT_EQ(LockedShareUserName(system).value_or("-"), row.locks ? "alice" : "-") << row.text;
    }
  FakeSystem refused(std::nullopt, "alice");
  EXPECT_EQ(Fields(GetWindowsVersionName(nullptr)), std::tuple(kUnknown, 0, 0));
  EXPECT_EQ(Fields(GetWindowsVersionName(refused)), std::tuple(kUnknown, 0, 0));
  EXPECT_EQ(LockedShareUserName(refused), std::nullopt);
}

TEST(LockedShareUserNameTest, ALogonNameThatCannotBeReadLeavesTheFieldEditable) {
  FakeSystem system(VersionReport{Windows9x, 4, 10, 1998}, "");
  EXPECT_EQ(LockedShareUserName(system), std::nullopt);
  system.user = std::string(127, 'u');  // the longest name that can be read
  EXPECT_EQ(LockedShareUserName(system), system.user);
  system.user += "u";
  EXPECT_EQ(LockedShareUserName(system), std::nullopt);
}

}  // namespace
}  // namespace kfw::core
