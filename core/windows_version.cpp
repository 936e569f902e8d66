#include "core/windows_version.h"

namespace kfw::core {

namespace {

using platform::PlatformFamily;

// The logon name is read into a 128-byte buffer; a longer one cannot be read.
constexpr std::size_t kUserNameMax = 127;

WindowsVersionName Named(const char* text, int code, VersionKind kind = VersionKind::Other) {
  return {text, code, 1, kind};
}

}  // namespace

WindowsVersionName GetWindowsVersionName(const platform::VersionReport* report) {
  if (report == nullptr) return WindowsVersionName{"unknown Windows version", 0, 0};
  const int major = report->major;
  const int minor = report->minor;
  const unsigned build = report->build & 0xFFFFu;

  switch (report->platform) {
    case PlatformFamily::Windows9x:
      if (major != 4) break;
      if (minor < 10) {
        if (build == 950) return Named("Windows 95", 1);
        if (build > 950 && build <= 1080) return Named("Windows 95 SP1", 2);
        if (build > 1080) return Named("Windows 95 OSR2", 3);
      } else if (minor == 10) {
        if (build == 1998) return Named("Windows 98", 4, VersionKind::Windows98OrMe);
        if (build > 1998 && build < 2183) return Named("Windows 98 SP1", 5, VersionKind::Windows98OrMe);
        if (build >= 2183) return Named("Windows 98 SE", 6, VersionKind::Windows98OrMe);
      } else if (minor == 90) {
        return Named("Windows ME", 7, VersionKind::Windows98OrMe);
      }
      break;
    case PlatformFamily::WindowsNT:
      if (major == 3 && minor == 51) return Named("Windows NT 3.51", 101, VersionKind::WindowsNT);
      if (major == 4 && minor == 0) return Named("Windows NT 4", 102, VersionKind::WindowsNT);
      if (major == 5 && minor == 0) return Named("Windows 2000", 103);
      if (major == 5 && minor == 1) return Named("Windows XP", 104);
      // Every 6.x release shares the newer connection behaviour.
      if (major == 6) return Named("Vista", 0, VersionKind::Vista);
      break;
    case PlatformFamily::WindowsCE:
      return Named("Windows CE", 201);
    case PlatformFamily::Other:
      break;
  }
  return WindowsVersionName{};
}

WindowsVersionName GetWindowsVersionName(platform::SystemInfo& system) {
  platform::VersionReport report;
  if (!system.Version(report)) return GetWindowsVersionName(nullptr);
  return GetWindowsVersionName(&report);
}

std::optional<std::string> LockedShareUserName(platform::SystemInfo& system) {
  // These systems connect shares as the logged-on user only.
  if (GetWindowsVersionName(system).kind != VersionKind::Windows98OrMe) return std::nullopt;
  std::string user = system.LoggedOnUser();
  if (user.empty() || user.size() > kUserNameMax) return std::nullopt;
  return user;
}

}  // namespace kfw::core
