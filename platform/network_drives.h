#pragma once
// The workstation's drive letters and their network connections.

#include <string>

namespace kfw::platform {

// What kind of drive a letter is; the values are the ones the drive table
// tests against.
enum class DriveKind : int {
  Unknown = 0,
  NoRootDir = 1,  // the usual answer for an unused letter
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

class NetworkDrives {
 public:
  virtual ~NetworkDrives() = default;
  // The remote name ("\\host\share[\path]") connected to `localName` ("K:"),
  // or false when the letter has no live network connection.
  virtual bool RemoteName(const std::string& localName, std::string& remoteName) = 0;
  virtual DriveKind Kind(const std::string& localName) = 0;
};

}  // namespace kfw::platform
