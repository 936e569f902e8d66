#pragma once
// Whether a device's web console answers: a TCP connection to port 80,
// given up after the check's own time-out.

#include <chrono>
#include <string>

#include "platform/programs.h"

namespace kfw::platform {

class LinuxReachability final : public Reachability {
 public:
  explicit LinuxReachability(std::chrono::milliseconds timeout = std::chrono::seconds(3))
      : timeout_(timeout) {}

  // `host` is a dotted IPv4 address, or a name resolved first (the time-out
  // counts from the connection attempt).
  bool Answers(const std::string& host) override;

 private:
  std::chrono::milliseconds timeout_;
};

}  // namespace kfw::platform
