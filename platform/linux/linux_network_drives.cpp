#include "platform/linux/linux_network_drives.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

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

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

// Closes the descriptor and, unless released, deletes the temporary file.
class TempFile {
 public:
  explicit TempFile(std::string pattern) : path_(std::move(pattern)) {
    fd_ = ::mkstemp(path_.data());
    created_ = fd_ >= 0;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    Close();
    if (created_ && !kept_) ::unlink(path_.c_str());
  }
  bool valid() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  bool SyncAndClose() {
    const bool synced = ::fsync(fd_) == 0;
    return Close() && synced;
  }
  void Keep() { kept_ = true; }

 private:
  bool Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
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
    config = fs::path(HomeDirectory()) / ".config";
  }
  return config / "korvex-findway" / "network-drives";
}

std::vector<DriveConnection> ConnectionTable::Read() const {
  std::ifstream in(file_, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseConnectionTable(text.str());
}

std::optional<DriveConnection> ConnectionTable::Find(std::string_view driveName) const {
  const std::optional<std::string> drive = NormalDriveName(driveName);
  if (!drive) return std::nullopt;
  for (DriveConnection& c : Read()) {
    if (c.driveName == *drive) return std::move(c);
  }
  return std::nullopt;
}

bool ConnectionTable::Add(const DriveConnection& connection) {
  if (!Storable(connection)) return false;
  DriveConnection entry = connection;
  entry.driveName = *NormalDriveName(connection.driveName);
  std::vector<DriveConnection> connections = Read();
  std::erase_if(connections,
                [&](const DriveConnection& c) { return c.driveName == entry.driveName; });
  connections.push_back(std::move(entry));
  return Write(connections);
}

bool ConnectionTable::Remove(std::string_view driveName) {
  const std::optional<std::string> drive = NormalDriveName(driveName);
  if (!drive) return false;
  std::vector<DriveConnection> connections = Read();
  if (std::erase_if(connections,
                    [&](const DriveConnection& c) { return c.driveName == *drive; }) == 0) {
    return false;
  }
  return Write(connections);
}

bool ConnectionTable::Write(const std::vector<DriveConnection>& connections) const {
  std::error_code ec;
  const fs::path directory = file_.parent_path();
  if (!directory.empty()) fs::create_directories(directory, ec);
  if (ec) return false;

  // The temporary file lives beside the table so that the rename is atomic.
  TempFile temp((directory / ("." + file_.filename().string() + ".XXXXXX")).string());
  if (!temp.valid()) return false;
  if (!temp.WriteAll(FormatConnectionTable(connections)) || !temp.SyncAndClose()) return false;
  if (::rename(temp.path().c_str(), file_.c_str()) != 0) return false;
  temp.Keep();
  return true;
}

bool LinuxNetworkDrives::RemoteName(const std::string& localName, std::string& remoteName) {
  const std::optional<DriveConnection> connection = table_.Find(localName);
  if (!connection || connection->mountPath.empty()) return false;
  std::error_code ec;
  if (!fs::is_directory(connection->mountPath, ec)) return false;  // remembered, not live
  remoteName = connection->remoteName;
  return true;
}

DriveKind LinuxNetworkDrives::Kind(const std::string& localName) {
  const std::optional<std::string> drive = NormalDriveName(localName);
  if (!drive) return DriveKind::NoRootDir;
  if (*drive == kRootDrive) return DriveKind::Fixed;
  return table_.Find(*drive) ? DriveKind::Remote : DriveKind::NoRootDir;
}

// Mounting through the desktop session's file system service comes next;
// until then a connection cannot be made, and says so.
bool LinuxNetworkDrives::AddConnection(const std::string&, const std::string&, const std::string&,
                                       const std::optional<std::string>&, unsigned) {
  return false;
}

bool LinuxNetworkDrives::CancelConnection(const std::string& localName, unsigned, bool) {
  return table_.Remove(localName);
}

std::string LinuxNetworkDrives::UserName() {
  const char* user = std::getenv("USER");
  return user ? user : "";
}

}  // namespace kfw::platform
