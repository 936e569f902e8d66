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
// A letter answers its remote name only while its mount is live: its folder
// is among the session's mounts. That list comes from the session's GVfs
// daemon; the folder itself is never touched, as that would wait on the
// share's server, and a server that stops answering would stall every
// refresh. A letter whose mount has gone (the session ended, or the share
// was unmounted elsewhere) stays remembered but unavailable. C: is the root
// file system (fixed), letters in the table are remote, every other letter
// is unused.
//
// The table is read as any of our text files (atomic_file.h): a FIFO, a
// device or more than a MiB in its place is refused, and then nothing is
// written over it either. While the state is held (NetworkDrives::HoldState)
// the table and the mount list are each looked at once.
//
// Connecting mounts the share in the user's desktop session through GVfs
// (see gvfs_mounts.h), records it here, and offers its folder to the file
// manager as a bookmark ("K: share on host"). Several letters may connect
// one share and then share its mount and its bookmark: removing a letter
// drops its record, and the mount is unmounted and the bookmark dropped
// only with the last letter on it.

#include <chrono>
#include <filesystem>
#include <functional>
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
  // The table; a missing file is an empty one. Nothing when the file is
  // there but refused or unreadable, and `why` says why.
  std::optional<std::vector<DriveConnection>> Load(std::string& why) const;
  // The same, with a refused or unreadable file as an empty table.
  std::vector<DriveConnection> Read() const;
  std::optional<DriveConnection> Find(std::string_view driveName) const;
  // Records a connection, replacing the letter's previous one. False when the
  // entry cannot be stored (bad drive name, C:, a tab or line break in a
  // field) or the file cannot be read or written.
  bool Add(const DriveConnection& connection);
  // Forgets the letter's connection. False when it had none or the file
  // cannot be read or written.
  bool Remove(std::string_view driveName);
  // Why the last Add or Remove failed.
  const std::string& error() const { return error_; }

 private:
  bool Write(const std::vector<DriveConnection>& connections);

  std::filesystem::path file_;
  std::string error_;
};

// The local folders of the session's live mounts.
using MountLister = std::function<std::vector<std::string>()>;

class LinuxNetworkDrives final : public NetworkDrives {
 public:
  // Without a lister, the session's GVfs mounts are listed.
  explicit LinuxNetworkDrives(std::filesystem::path tableFile = ConnectionTable::DefaultLocation(),
                              std::filesystem::path bookmarksFile = {},
                              std::chrono::milliseconds mountTimeout = std::chrono::seconds(30),
                              MountLister mounts = {});

  ConnectAnswer AddConnection(const std::string& localName, const std::string& remoteName,
                              const std::string& user, const std::optional<std::string>& password,
                              unsigned flags) override;
  bool CancelConnection(const std::string& localName, unsigned flags, bool force) override;
  std::string UserName() override;
  bool RemoteName(const std::string& localName, std::string& remoteName) override;
  DriveKind Kind(const std::string& localName) override;
  std::string FailureReason() const override { return lastError_; }
  void HoldState() override;
  void ReleaseState() override;

  ConnectionTable& table() { return table_; }
  // Why the last connect or remove failed, or why the table could not be
  // read (never holds a password).
  const std::string& lastError() const { return lastError_; }

 private:
  // One look at the table and, when first needed, at the live mounts.
  struct Look {
    std::vector<DriveConnection> connections;
    std::optional<std::vector<std::string>> mounts;
  };
  // The look of the held state, or a fresh one when none is held.
  Look& Current();
  const DriveConnection* Connection(Look& look, std::string_view localName);
  bool IsLive(Look& look, const std::string& mountPath);
  bool Fail(std::string why);
  // Takes the letter off its folder's bookmark: the bookmark goes with the
  // last letter on the folder, and otherwise names one still there.
  void ReleaseBookmark(const DriveConnection& connection,
                       const std::vector<DriveConnection>& connections);

  ConnectionTable table_;
  std::filesystem::path bookmarksFile_;
  std::chrono::milliseconds mountTimeout_;
  MountLister mounts_;
  std::string lastError_;
  int holds_ = 0;
  std::optional<Look> look_;
};

}  // namespace kfw::platform
