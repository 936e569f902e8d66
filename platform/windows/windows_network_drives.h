#pragma once
// Drive letters and their network connections through the system's own
// network connection calls (WNetAddConnection2 and its kin, GetDriveType):
// the letters, the remembered connections and the credentials are the
// system's, not the program's.

#include <string>

#include "platform/network_drives.h"

namespace kfw::platform {

class WindowsNetworkDrives final : public NetworkDrives {
 public:
  ConnectAnswer AddConnection(const std::string& localName, const std::string& remoteName,
                              const std::string& user, const std::optional<std::string>& password,
                              unsigned flags) override;
  bool CancelConnection(const std::string& localName, unsigned flags, bool force) override;
  std::string UserName() override;
  bool RemoteName(const std::string& localName, std::string& remoteName) override;
  DriveKind Kind(const std::string& localName) override;
  // The system's text for lastError(), with the code.
  std::string FailureReason() const override;

  // The system's error code of the last connect or remove (such as 1222,
  // no network, or 2250, no such connection), 0 after a success.
  unsigned long lastError() const { return lastError_; }

 private:
  bool Answer(unsigned long result);

  unsigned long lastError_ = 0;
};

}  // namespace kfw::platform
