#include "platform/windows/windows_system_info.h"

#include <windows.h>

#include <vector>

#include "platform/windows/wide_text.h"

namespace kfw::platform {
namespace {

// Windows CE's platform id; the desktop headers leave it out.
constexpr DWORD kPlatformCe = 3;

}  // namespace

bool WindowsSystemInfo::Version(VersionReport& report) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return false;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: report.platform = PlatformFamily::Windows9x; break;
    case VER_PLATFORM_WIN32_NT: report.platform = PlatformFamily::WindowsNT; break;
    case kPlatformCe: report.platform = PlatformFamily::WindowsCE; break;
    default: report.platform = PlatformFamily::Other; break;
  }
  report.major = static_cast<int>(info.dwMajorVersion);
  report.minor = static_cast<int>(info.dwMinorVersion);
  report.build = info.dwBuildNumber;
  return true;
}

std::string WindowsSystemInfo::LoggedOnUser() {
  std::vector<wchar_t> name(257);  // a logon name has at most 256 characters
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetUserNameW(name.data(), &size)) return {};
  return Narrow(name.data());
}

}  // namespace kfw::platform
