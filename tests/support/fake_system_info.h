#pragma once
// The system's version report (none: the system refuses to give one) and
// its logged-on user, as a test sets them.

#include <optional>
#include <string>

#include "platform/system_info.h"

namespace kfw::platform {

struct FakeSystem final : SystemInfo {
  explicit FakeSystem(std::optional<VersionReport> r = VersionReport{.major = 6, .minor = 1}, std::string u = "carol")
      : report(r), user(std::move(u)) {}
  bool Version(VersionReport& out) override { return report && (out = *report, true); }
  std::string LoggedOnUser() override { return user; }
  std::optional<VersionReport> report;
  std::string user;
};

}  // namespace kfw::platform
