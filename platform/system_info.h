#pragma once
// What the program asks about the operating system it runs on.

#include <string>

namespace kfw::platform {

enum class PlatformFamily { Windows9x, WindowsNT, WindowsCE, Other };

struct VersionReport {
  PlatformFamily platform = PlatformFamily::Other;
  int major = 0;
  int minor = 0;
  unsigned build = 0;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // False when the system refuses to report its version.
  virtual bool Version(VersionReport& report) = 0;
  virtual std::string LoggedOnUser() = 0;
};

}  // namespace kfw::platform
