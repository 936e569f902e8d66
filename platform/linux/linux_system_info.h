#pragma once
// System information on Linux: the kernel's release numbers stand in for the
// version (so no Windows-family rule ever applies), and the logged-on user is
// the owner of the process.

#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace kfw::platform {

// "6.1.0-13-amd64" to major 6, minor 1, build 0; missing numbers stay 0.
VersionReport VersionFromRelease(std::string_view release);

class LinuxSystemInfo final : public SystemInfo {
 public:
  bool Version(VersionReport& report) override;
  std::string LoggedOnUser() override;
};

}  // namespace kfw::platform
