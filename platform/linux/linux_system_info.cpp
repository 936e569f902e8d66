#include "platform/linux/linux_system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <vector>

#include "platform/linux/user_account.h"

namespace kfw::platform {

VersionReport VersionFromRelease(std::string_view release) {
  VersionReport report;
  report.platform = PlatformFamily::Other;
  std::array<unsigned, 3> numbers{};
  const char* p = release.data();
  const char* const end = release.data() + release.size();
  for (unsigned& number : numbers) {
    const auto [next, ec] = std::from_chars(p, end, number);
    if (ec != std::errc()) break;
    p = next;
    if (p == end || *p != '.') break;
    ++p;
  }
  report.major = static_cast<int>(numbers[0]);
  report.minor = static_cast<int>(numbers[1]);
  report.build = numbers[2];
  return report;
}

bool LinuxSystemInfo::Version(VersionReport& report) {
  utsname names{};
  if (::uname(&names) != 0) return false;
  report = VersionFromRelease(names.release);
  return true;
}

std::string LinuxSystemInfo::LoggedOnUser() {
  const auto account = CurrentAccount();
  return account ? account->name : std::string();
}

}  // namespace kfw::platform
