#pragma once
// The operating system's version name, and the user name the Login dialog
// offers for share access. Connect and the Login dialog both decide by the
// version text, so the mapping lives in one place.

#include <optional>
#include <string>

#include "platform/system_info.h"

namespace kfw::core {

struct WindowsVersionName {
  std::string text = "unknown Windows version";
  int code = 0;
  int result = 1;  // 0 only when the system refused to report its version
};

// `report` is nullptr when the system refused to report its version. Only the
// low 16 bits of the build number count.
WindowsVersionName GetWindowsVersionName(const platform::VersionReport* report);
WindowsVersionName GetWindowsVersionName(platform::SystemInfo& system);

// The user name the Login dialog shows, locked, in share-access mode: the
// logged-on user on systems of the Windows 98 and ME kind. Nothing means an
// empty, editable field (every other system, and a logon name that cannot be
// read, so that the user can still type one).
std::optional<std::string> LockedShareUserName(platform::SystemInfo& system);

}  // namespace kfw::core
