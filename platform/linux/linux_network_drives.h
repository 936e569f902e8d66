#pragma once
// Drive letters on Linux. There are no drive letters, so the program keeps
// its own per-user connection table, the stand-in for the network
// connections a Windows profile remembers:
//
//   $XDG_CONFIG_HOME/korvex-findway/network-drives
//   ($HOME/.config/korvex-findway/network-drives when XDG_CONFIG_HOME is unset)
//
// It is a UTF-8 text file with one connection per line and three fields
// separated by single tabs:
//
//   K:<TAB>\\nas1\Volume_1<TAB>/run/user/1000/gvfs/smb-share:server=nas1,share=volume_1
//
// drive name (letter and colon), remote name, and the folder the share is
// mounted on. Empty lines and lines starting with '#' are ignored, and so is
// any line of another shape (it is dropped at the next write). A later line
// for the same letter replaces an earlier one. No field may hold a tab, CR or
// line feed; such a connection is refused rather than written. Every write
// replaces the file as a whole (temporary file, then rename), so a reader
// never sees half a table.
//
// A letter answers its remote name only while its mount is live: the mount
// folder exists. A letter whose mount has gone (the session ended, or the
// share was unmounted elsewhere) stays remembered but unavailable. C: is the
// root file system (fixed), letters in the table are remote, every other
// letter is unused.
//
// Connecting mounts the share in the user's desktop session through GVfs
// (see gvfs_mounts.h), records it here, and offers its folder to the file
// manager as a bookmark ("K: share on host"); removing a connection
// unmounts the share and drops record and bookmark.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/network_drives.h"

namespace kfw::platform {

struct DriveConnection {
  std::string driveName;   // "K:"
  std::string remoteName;  // "\\host\share"
  std::string mountPath;   // folder the share is mounted on
  bool operator==(const DriveConnection&) const = default;
};

// "k:" or "K:" to "K:"; nothing for anything that is not a letter and a colon.
std::optional<std::string> NormalDriveName(std::string_view localName);

std::vector<DriveConnection> ParseConnectionTable(std::string_view text);
std::string FormatConnectionTable(const std::vector<DriveConnection>& connections);

class ConnectionTable {
 public:
  explicit ConnectionTable(std::filesystem::path file) : file_(std::move(file)) {}
  // The per-user location described above.
  static std::filesystem::path DefaultLocation();

  const std::filesystem::path& file() const { return file_; }
  // A missing or unreadable file is an empty table.
  std::vector<DriveConnection> Read() const;
  std::optional<DriveConnection> Find(std::string_view driveName) const;
  // Records a connection, replacing the letter's previous one. False when the
  // entry cannot be stored (bad drive name, C:, a tab or line break in a
  // field) or the file cannot be written.
  bool Add(const DriveConnection& connection);
  // Forgets the letter's connection. False when it had none or the file
  // cannot be written.
  bool Remove(std::string_view driveName);

 private:
  bool Write(const std::vector<DriveConnection>& connections) const;

  std::filesystem::path file_;
};

class LinuxNetworkDrives final : public NetworkDrives {
 public:
  explicit LinuxNetworkDrives(std::filesystem::path tableFile = ConnectionTable::DefaultLocation(),
                              std::filesystem::path bookmarksFile = {},
                              std::chrono::milliseconds mountTimeout = std::chrono::seconds(30));

  ConnectAnswer AddConnection(const std::string& localName, const std::string& remoteName,
                              const std::string& user, const std::optional<std::string>& password,
                              unsigned flags) override;
  bool CancelConnection(const std::string& localName, unsigned flags, bool force) override;
  std::string UserName() override;
  bool RemoteName(const std::string& localName, std::string& remoteName) override;
  DriveKind Kind(const std::string& localName) override;

  ConnectionTable& table() { return table_; }
  // Why the last connect or remove failed (never holds a password).
  const std::string& lastError() const { return lastError_; }

 private:
  bool Fail(std::string why);
  // Drops the letter's bookmark, if it has one.
  void DropBookmark(const DriveConnection& connection);

  ConnectionTable table_;
  std::filesystem::path bookmarksFile_;
  std::chrono::milliseconds mountTimeout_;
  std::string lastError_;
};

}  // namespace kfw::platform
