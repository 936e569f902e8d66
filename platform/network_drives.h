#pragma once
// The workstation's drive letters and their network connections.

#include <optional>
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

// How a connection is made or removed.
inline constexpr unsigned kConnectUpdateProfile = 0x1;  // remembered for the next logon
inline constexpr unsigned kConnectInteractive = 0x8;    // the system may ask for credentials

// How a connection attempt ended.
enum class ConnectAnswer {
  Connected,
  Refused,  // the share turned the credentials down
  Failed,   // anything else: no such share, no server, a local failure
};

class NetworkDrives {
 public:
  virtual ~NetworkDrives() = default;
  // Connects `localName` ("K:") to `remoteName` ("\\host\share") with the
  // given credentials: an empty user and password mean a guest connection; a
  // password left out means the one the system holds for `user`. Unless
  // connected, nothing is left connected. May take seconds.
  virtual ConnectAnswer AddConnection(const std::string& localName, const std::string& remoteName,
                             const std::string& user, const std::optional<std::string>& password,
                             unsigned flags) = 0;
  // Removes the letter's connection (with `force`, even while files on it
  // are open). False when the letter has no connection or it cannot go.
  virtual bool CancelConnection(const std::string& localName, unsigned flags, bool force) = 0;
  // The user name the system connects as by default.
  virtual std::string UserName() = 0;
  // The remote name ("\\host\share[\path]") connected to `localName` ("K:"),
  // or false when the letter has no live network connection.
  virtual bool RemoteName(const std::string& localName, std::string& remoteName) = 0;
  virtual DriveKind Kind(const std::string& localName) = 0;
  // Why the last AddConnection or CancelConnection failed, or why the
  // workstation's record of its connections could not be read, in words
  // for the user (never a password); "" when there is no reason to give.
  virtual std::string FailureReason() const { return {}; }

  // A refresh asks about every letter in turn. Between HoldState and
  // ReleaseState the answers may all come from one look at the
  // workstation's connections, taken at the first question. Holds nest.
  virtual void HoldState() {}
  virtual void ReleaseState() {}
};

// Holds the drives' state for as long as it lives.
class HeldDriveState {
 public:
  explicit HeldDriveState(NetworkDrives& drives) : drives_(drives) { drives_.HoldState(); }
  ~HeldDriveState() { drives_.ReleaseState(); }
  HeldDriveState(const HeldDriveState&) = delete;
  HeldDriveState& operator=(const HeldDriveState&) = delete;

 private:
  NetworkDrives& drives_;
};

}  // namespace kfw::platform
