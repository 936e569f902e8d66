#pragma once
// The operating system's version name, and the user name the Login dialog
// offers for share access. Connect and the Login dialog both decide by the
// version's kind, so the mapping lives in one place.

#include <optional>
#include <string>

#include "platform/system_info.h"

namespace kfw::core {

// What the commands decide by: how a share is connected, and whether the
// share login's user name is the logged-on user's.
enum class VersionKind {
  Other,          // 95, 2000, XP, CE, and any system the table does not name
  Windows98OrMe,  // shares are connected as the logged-on user only
  WindowsNT,      // NT 3.51 and 4: the Login dialog first, then several tries
  Vista,          // every 6.x release: the system asks for credentials itself
};

struct WindowsVersionName {
  std::string text = "unknown Windows version";
  int code = 0;
  int result = 1;  // 0 only when the system refused to report its version
  VersionKind kind = VersionKind::Other;
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
