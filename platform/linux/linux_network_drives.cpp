#include "platform/linux/linux_network_drives.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/linux/gtk_bookmarks.h"
#include "platform/linux/gvfs_mounts.h"
#include "platform/linux/user_account.h"

namespace kfw::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRootDrive = "C:";

bool HasLineBreakOrTab(std::string_view field) {
  return field.find_first_of("\t\r\n") != std::string_view::npos;
}

// C: is the root file system and never a network connection.
bool Storable(const DriveConnection& c) {
  const std::optional<std::string> drive = NormalDriveName(c.driveName);
  return drive && *drive != kRootDrive && !c.remoteName.empty() &&
         !HasLineBreakOrTab(c.remoteName) && !HasLineBreakOrTab(c.mountPath);
}

// "K: HDD_1 on Archive", as the file manager lists it.
std::string BookmarkLabel(const DriveConnection& c) {
  const std::string_view path = std::string_view(c.remoteName).substr(2);
  const std::size_t slash = path.find('\\');
  return c.driveName + " " + std::string(path.substr(slash + 1)) + " on " +
         std::string(path.substr(0, slash));
}

// Another letter on the folder of `connection`, if there is one.
const DriveConnection* OtherOnFolder(const DriveConnection& connection,
                                     const std::vector<DriveConnection>& connections) {
  if (connection.mountPath.empty()) return nullptr;
  const auto other = std::find_if(connections.begin(), connections.end(), [&](const DriveConnection& c) {
    return c.driveName != connection.driveName && c.mountPath == connection.mountPath;
  });
  return other == connections.end() ? nullptr : &*other;
}

// A look held across calls is stale once the table or the mounts change.
template <typename Look>
struct ForgetLook {
  ~ForgetLook() { look.reset(); }
  std::optional<Look>& look;
};


}  // namespace

std::optional<std::string> NormalDriveName(std::string_view localName) {
  if (localName.size() != 2 || localName[1] != ':') return std::nullopt;
  char letter = localName[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  return std::string{letter, ':'};
}

std::vector<DriveConnection> ParseConnectionTable(std::string_view text) {
  std::vector<DriveConnection> connections;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited on Windows
    if (line.empty() || line.front() == '#') continue;

    const std::size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) continue;
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos || line.find('\t', tab2 + 1) != std::string_view::npos) {
      continue;
    }
    DriveConnection c;
    c.driveName = line.substr(0, tab1);
    c.remoteName = line.substr(tab1 + 1, tab2 - tab1 - 1);
    c.mountPath = line.substr(tab2 + 1);
    if (!Storable(c)) continue;
    c.driveName = *NormalDriveName(c.driveName);

    auto same = std::find_if(connections.begin(), connections.end(),
                             [&](const DriveConnection& o) { return o.driveName == c.driveName; });
    if (same != connections.end()) {
      *same = std::move(c);
    } else {
      connections.push_back(std::move(c));
    }
  }
  return connections;
}

std::string FormatConnectionTable(const std::vector<DriveConnection>& connections) {
  std::string text = "# drive\tremote name\tmount folder\n";
  for (const DriveConnection& c : connections) {
    text += c.driveName + '\t' + c.remoteName + '\t' + c.mountPath + '\n';
  }
  return text;
}

fs::path ConnectionTable::DefaultLocation() {
  fs::path config;
  // A relative XDG_CONFIG_HOME is invalid and is ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    config = fs::path(HomeFolder()) / ".config";
  }
  return config / "korvex-findway" / "network-drives";
}

std::optional<std::vector<DriveConnection>> ConnectionTable::Load(std::string& why) const {
  const std::optional<std::string> text = ReadTextFile(file_, why);
  if (text) return ParseConnectionTable(*text);
  if (why.empty()) return std::vector<DriveConnection>{};  // not there yet
  why = "cannot read the connection table: " + why;
  return std::nullopt;
}

std::vector<DriveConnection> ConnectionTable::Read() const {
  std::string why;
  return Load(why).value_or(std::vector<DriveConnection>{});
}

std::optional<DriveConnection> ConnectionTable::Find(std::string_view driveName) const {
  const std::optional<std::string> drive = NormalDriveName(driveName);
  if (!drive) return std::nullopt;
  for (DriveConnection& c : Read()) {
    if (c.driveName == *drive) return std::move(c);
  }
  return std::nullopt;
}

// A table that is there but cannot be read is never written over: it may
// hold what the user keeps, and only its reading failed.
bool ConnectionTable::Add(const DriveConnection& connection) {
  error_.clear();
  if (!Storable(connection)) {
    error_ = "not a connection the table can hold: " + connection.driveName;
    return false;
  }
  DriveConnection entry = connection;
  entry.driveName = *NormalDriveName(connection.driveName);
  std::optional<std::vector<DriveConnection>> connections = Load(error_);
  if (!connections) return false;
  std::erase_if(*connections,
                [&](const DriveConnection& c) { return c.driveName == entry.driveName; });
  connections->push_back(std::move(entry));
  return Write(*connections);
}

bool ConnectionTable::Remove(std::string_view driveName) {
  error_.clear();
  const std::optional<std::string> drive = NormalDriveName(driveName);
  std::optional<std::vector<DriveConnection>> connections = Load(error_);
  if (!connections) return false;
  if (!drive || std::erase_if(*connections, [&](const DriveConnection& c) {
                  return c.driveName == *drive;
                }) == 0) {
    error_ = "no connection on " + std::string(driveName);
    return false;
  }
  return Write(*connections);
}

bool ConnectionTable::Write(const std::vector<DriveConnection>& connections) {
  if (ReplaceTextFile(file_, FormatConnectionTable(connections))) return true;
  error_ = "cannot write the connection table " + file_.string();
  return false;
}

LinuxNetworkDrives::LinuxNetworkDrives(fs::path tableFile, fs::path bookmarksFile,
                                       std::chrono::milliseconds mountTimeout, MountLister mounts)
    : table_(std::move(tableFile)),
      bookmarksFile_(bookmarksFile.empty() ? DefaultBookmarksFile() : std::move(bookmarksFile)),
      mountTimeout_(mountTimeout),
      mounts_(mounts ? std::move(mounts) : MountLister(MountedFolders)) {}

void LinuxNetworkDrives::HoldState() {
  if (holds_++ == 0) look_.reset();
}

void LinuxNetworkDrives::ReleaseState() {
  if (holds_ > 0 && --holds_ == 0) look_.reset();
}

LinuxNetworkDrives::Look& LinuxNetworkDrives::Current() {
  if (holds_ == 0 || !look_) {
    std::string why;
    look_ = Look{table_.Load(why).value_or(std::vector<DriveConnection>{}), std::nullopt};
    if (!why.empty()) lastError_ = why;
  }
  return *look_;
}

const DriveConnection* LinuxNetworkDrives::Connection(Look& look, std::string_view localName) {
  const std::optional<std::string> drive = NormalDriveName(localName);
  if (!drive) return nullptr;
  const auto found = std::find_if(look.connections.begin(), look.connections.end(),
                                  [&](const DriveConnection& c) { return c.driveName == *drive; });
  return found == look.connections.end() ? nullptr : &*found;
}

bool LinuxNetworkDrives::IsLive(Look& look, const std::string& mountPath) {
  if (mountPath.empty()) return false;
  if (!look.mounts) look.mounts = mounts_();
  return std::find(look.mounts->begin(), look.mounts->end(), mountPath) != look.mounts->end();
}

bool LinuxNetworkDrives::RemoteName(const std::string& localName, std::string& remoteName) {
  Look& look = Current();
  const DriveConnection* connection = Connection(look, localName);
  if (!connection || !IsLive(look, connection->mountPath)) return false;  // remembered, not live
  remoteName = connection->remoteName;
  return true;
}

DriveKind LinuxNetworkDrives::Kind(const std::string& localName) {
  const std::optional<std::string> drive = NormalDriveName(localName);
  if (!drive) return DriveKind::NoRootDir;
  if (*drive == kRootDrive) return DriveKind::Fixed;
  return Connection(Current(), *drive) ? DriveKind::Remote : DriveKind::NoRootDir;
}

bool LinuxNetworkDrives::Fail(std::string why) {
  lastError_ = std::move(why);
  return false;
}

void LinuxNetworkDrives::ReleaseBookmark(const DriveConnection& connection,
                                         const std::vector<DriveConnection>& connections) {
  const std::string uri = FolderUri(connection.mountPath);
  const std::optional<std::string> text = ReadTextFile(bookmarksFile_);
  if (uri.empty() || !text) return;
  const std::string without = WithoutBookmark(*text, uri);
  if (without == *text) return;  // none, or the user took it away
  const DriveConnection* heir = OtherOnFolder(connection, connections);
  ReplaceTextFile(bookmarksFile_, heir ? WithBookmark(*text, uri, BookmarkLabel(*heir)) : without);
}

// The connection is remembered whatever the flags: the table is also how a
// letter's live connection is found again.
ConnectAnswer LinuxNetworkDrives::AddConnection(const std::string& localName,
                                                const std::string& remoteName, const std::string& user,
                                                const std::optional<std::string>& password, unsigned) {
  lastError_.clear();
  const ForgetLook<Look> forget{look_};
  const std::optional<std::string> drive = NormalDriveName(localName);
  const auto failed = [this](std::string why, ConnectAnswer answer = ConnectAnswer::Failed) {
    Fail(std::move(why));
    return answer;
  };
  if (!drive || *drive == kRootDrive) return failed("not a drive letter for a share: " + localName);
  const SmbCredentials credentials = CredentialsFor(user, password);
  const std::optional<std::string> uri = SmbUri(remoteName, credentials);
  if (!uri || HasLineBreakOrTab(remoteName)) return failed("not a share name: " + remoteName);
  // Files we could not read are not written over, so nothing is mounted.
  std::string why;
  const std::optional<std::vector<DriveConnection>> before = table_.Load(why);
  if (!before) return failed(why);
  ReadTextFile(bookmarksFile_, why);
  if (!why.empty()) return failed("cannot read the bookmarks: " + why);

  const MountOutcome mount = MountSmb(*uri, credentials, mountTimeout_);
  if (!mount.ok) return failed(mount.error, mount.refused ? ConnectAnswer::Refused : ConnectAnswer::Failed);
  const DriveConnection connection{*drive, remoteName, mount.folder};
  // Whatever fails from here on takes the mount back; a share mounted
  // before is left alone only when another letter still uses it.
  auto undo = [&](std::string reason) {
    std::string ignored;
    if (!OtherOnFolder(connection, *before)) UnmountFolder(mount.folder, true, mountTimeout_, ignored);
    return failed(std::move(reason));
  };

  const auto older = std::find_if(before->begin(), before->end(),
                                  [&](const DriveConnection& c) { return c.driveName == *drive; });
  if (older != before->end() && older->mountPath != mount.folder) ReleaseBookmark(*older, *before);
  const std::string uriOfFolder = FolderUri(mount.folder);
  const std::optional<std::string> bookmarks = ReadTextFile(bookmarksFile_, why);
  if (uriOfFolder.empty() || !why.empty() ||
      !ReplaceTextFile(bookmarksFile_, WithBookmark(bookmarks.value_or(""), uriOfFolder,
                                                    BookmarkLabel(connection)))) {
    return undo("cannot write the bookmarks " + bookmarksFile_.string());
  }
  if (!table_.Add(connection)) {
    ReleaseBookmark(connection, *before);
    return undo(table_.error());
  }
  return ConnectAnswer::Connected;
}

bool LinuxNetworkDrives::CancelConnection(const std::string& localName, unsigned, bool force) {
  lastError_.clear();
  const ForgetLook<Look> forget{look_};
  std::string why;
  const std::optional<std::vector<DriveConnection>> connections = table_.Load(why);
  if (!connections) return Fail(why);
  Look look{*connections, std::nullopt};
  const DriveConnection* connection = Connection(look, localName);
  if (!connection) return Fail("no connection on " + localName);
  // Another letter on the same share keeps the mount, and the files open
  // through it. A remembered letter whose mount has gone is simply forgotten.
  if (!OtherOnFolder(*connection, *connections) && IsLive(look, connection->mountPath)) {
    std::string error;
    if (UnmountFolder(connection->mountPath, force, mountTimeout_, error) ==
        UnmountOutcome::Failed) {
      return Fail(error);
    }
  }
  ReleaseBookmark(*connection, *connections);
  if (!table_.Remove(connection->driveName)) return Fail(table_.error());
  return true;
}

// The user logged on, as the system knows it: $USER can be anything.
std::string LinuxNetworkDrives::UserName() {
  const auto account = CurrentAccount();
  return account ? account->name : std::string();
}

}  // namespace kfw::platform
