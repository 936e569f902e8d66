#pragma once
// Share files through the system's own UNC paths (\\host\share\...) and
// the Win32 file calls, which reach a share as the logged-on user or, where
// the share lets in anyone, as a guest; a local path is an ordinary file.

#include <chrono>
#include <optional>
#include <string>

#include "platform/share_files.h"

namespace kfw::platform {

class WindowsShareFiles final : public ShareFiles {
 public:
  bool Connect(const std::string& path) override;
  bool Write(const std::string& path, std::span<const uint8_t> bytes) override;
  bool Remove(const std::string& path) override;
  bool CopyNew(const std::string& from, const std::string& to) override;
  bool Replace(const std::string& from, const std::string& to) override;
  bool Exists(const std::string& path) override;
  // Remove, a clean-up, leaves the reason of the failure before it.
  std::string FailureReason() const override { return reason_; }
  // The system's own time-outs for a share stand; the limit is checked
  // before every call and between the pieces of a write or copy.
  void LimitTime(std::optional<std::chrono::milliseconds> budget) override;
  // A new folder under the user's temporary folder, which only the user
  // (and administrators) may enter.
  std::optional<std::string> CreateStagingFolder() override;
  void RemoveStagingFolder(const std::string& folder) override;

 private:
  bool TimeIsUp() const;
  // Records why `what` failed on `path`: the system's last error, or the
  // time limit.
  bool Fail(const char* what, const std::string& path);

  std::optional<std::chrono::steady_clock::time_point> deadline_;
  std::string reason_;
};

}  // namespace kfw::platform
