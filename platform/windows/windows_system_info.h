#pragma once
// The version the system reports to the program (GetVersionEx, which
// answers what the program's manifest allows it to see) and the logged-on
// user (GetUserName).

#include "platform/system_info.h"

namespace kfw::platform {

class WindowsSystemInfo final : public SystemInfo {
 public:
  bool Version(VersionReport& report) override;
  std::string LoggedOnUser() override;
};

}  // namespace kfw::platform
