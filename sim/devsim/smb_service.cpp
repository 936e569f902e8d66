#include "sim/devsim/smb_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "sim/devsim/host.h"

namespace kfw::devsim {

namespace fs = std::filesystem;

namespace {

// Name registration on the segment takes a few seconds.
constexpr std::chrono::seconds kReadyTimeout{30};

bool UserExists(const std::string& name) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  return getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found;
}

// A NetBIOS name holds 15 characters; what smb.conf could misread goes.
std::string NetbiosName(const std::string& deviceName, std::size_t index) {
  std::string name;
  for (char c : deviceName) {
    if (name.size() == 15) break;
    name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '-';
  }
  return name.empty() ? "DEVICE" + std::to_string(index + 1) : name;
}

// Share names that can stand as a section of smb.conf and as a folder.
bool UsableShare(const std::string& share) {
  return !share.empty() && share.size() <= 80 && share != "." && share != ".." &&
         share.front() != ' ' && share.back() != ' ' &&
         share.find_first_of("[]/\\%\r\n") == std::string::npos &&
         share != "global" && share != "homes" && share != "printers";
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The add-on folders of a settled share, by its name.
std::vector<std::string> AddonFolders(const std::string& share) {
  const std::string name = Lower(share);
  if (name == "hdd_a") return {".codepages", "Nas_Prog/BT"};
  if (name == "hdd_1") return {".systemfile/.codepages", "Nas_Prog/BT"};
  return {};
}

// The spelling of `wanted` in the device's share list, "" when it serves no such share.
std::string ServedShare(const sim::DeviceConfig& device, const std::string& wanted) {
  std::string_view list = device.shares;
  while (!wanted.empty()) {
    const std::size_t colon = list.find(':');
    const std::string share(list.substr(0, colon));
    if (UsableShare(share) && Lower(share) == Lower(wanted)) return share;
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return {};
}

std::string BroadcastOf(const std::string& address, int prefix) {
  in_addr a{};
  inet_pton(AF_INET, address.c_str(), &a);
  const uint32_t host = prefix >= 32 ? 0 : (~0u >> prefix);
  a.s_addr = htonl(ntohl(a.s_addr) | host);
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

bool Listens(const std::string& address, uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  close(fd);
  return ok;
}

}  // namespace

SmbService::SmbService(std::string root, std::string interfaceName)
    : root_(std::move(root)), interfaceName_(std::move(interfaceName)) {}

bool SmbService::Prepare(Server& server, const sim::DeviceConfig& device, std::string& error) {
  const fs::path folder = server.folder;
  std::error_code ec;
  for (const char* sub : {"private", "state", "cache", "lock", "pid", "ncalrpc", "log", "shares"})
    fs::create_directories(folder / sub, ec);
  if (ec) {
    error = "cannot create " + folder.string() + ": " + ec.message();
    return false;
  }
  const std::optional<int> prefix =
      EnsureAddress(interfaceName_, device.address, device.netmask, (folder / "log/ip.out").string());
  if (!prefix) {
    error = "cannot put " + device.address + " on " + interfaceName_;
    return false;
  }
  server.address = device.address;
  server.prefix = *prefix;
  server.stalled = device.smbStalled;

  std::ofstream conf(folder / "smb.conf", std::ios::trunc);
  const std::string f = folder.string();
  conf << "# " << device.name << " at " << device.address << "\n"
       << "[global]\n"
       << "netbios name = " << server.netbiosName << "\n"
       << "workgroup = " << (device.workgroup.empty() ? "WORKGROUP" : NetbiosName(device.workgroup, 0))
       << "\n"
       << "server role = standalone server\n"
       // Only the device's own address: the segment plays several devices.
       << "interfaces = " << server.address << "/" << server.prefix << "\n"
       << "bind interfaces only = yes\n"
       << "disable netbios = no\n"
       << "smb ports = 445 139\n"
       << "local master = no\npreferred master = no\ndomain master = no\ndns proxy = no\n"
       << "map to guest = bad user\n"
       << "passdb backend = tdbsam:" << f << "/private/passdb.tdb\n"
       << "private dir = " << f << "/private\n"
       << "state directory = " << f << "/state\n"
       << "cache directory = " << f << "/cache\n"
       << "lock directory = " << f << "/lock\n"
       << "pid directory = " << f << "/pid\n"
       << "ncalrpc dir = " << f << "/ncalrpc\n"
       << "usershare path =\n"
       << "logging = file\nlog level = 1\n"
       << "load printers = no\nprinting = bsd\nprintcap name = /dev/null\ndisable spoolss = yes\n"
       << "obey pam restrictions = no\nunix password sync = no\n";
  std::set<std::string> privateShares, served;
  for (const std::string& s : device.privateShares) privateShares.insert(Lower(s));
  std::string_view list = device.shares;
  while (true) {
    const std::size_t colon = list.find(':');
    const std::string share(list.substr(0, colon));
    if (UsableShare(share) && share != server.vanished && served.insert(Lower(share)).second) {
      fs::create_directories(folder / "shares" / share, ec);
      // A share that holds something shows the user where a mapping leads.
      const fs::path welcome = folder / "shares" / share / "README.txt";
      if (!fs::exists(welcome, ec)) {
        std::ofstream(welcome) << "The " << share << " share of " << device.name << ".\n";
      }
      conf << "\n[" << share << "]\n"
           << "path = " << f << "/shares/" << share << "\n"
           << "read only = no\n"
           // Files belong to one owner, whoever wrote them.
           << "force user = root\n";
      if (privateShares.count(Lower(share)) && !device.smbUser.empty()) {
        conf << "guest ok = no\nvalid users = " << device.smbUser << "\n";
      } else {
        conf << "guest ok = yes\n";
      }
    }
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  // Guests write there as root, like everywhere on the share (force user).
  std::string settled = ServedShare(device, sim::SettledShareName(device));
  if (settled == server.vanished) settled.clear();
  for (const std::string& sub : AddonFolders(settled))
    fs::create_directories(folder / "shares" / settled / sub, ec);
  conf.close();
  if (!conf || ec) {
    error = "cannot write the shares of " + device.name + " in " + f;
    return false;
  }

  if (!device.smbUser.empty()) {
    const std::string output = f + "/log/users.out";
    if (!UserExists(device.smbUser) &&
        Run({"useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
             device.smbUser},
            output) != 0 &&
        !UserExists(device.smbUser)) {  // another segment may have just made it
      error = "cannot create the user " + device.smbUser + " (see " + output + ")";
      return false;
    }
    // The password goes in on stdin: a command line is visible to everyone.
    const std::string twice = device.smbPassword + "\n" + device.smbPassword + "\n";
    if (Run({"smbpasswd", "-c", f + "/smb.conf", "-a", "-s", device.smbUser}, output, twice) != 0) {
      error = "cannot set the SMB password of " + device.smbUser + " (see " + output + ")";
      return false;
    }
  }
  return true;
}

bool SmbService::Launch(Server& server, std::string& error) {
  if (server.stalled) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(445);
    inet_pton(AF_INET, server.address.c_str(), &at.sin_addr);
    server.stalledListener = fd;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 64) != 0) {
      error = "cannot listen on " + server.address + " port 445";
      return false;
    }
    return true;
  }
  const std::string conf = server.folder + "/smb.conf";
  const std::string log = server.folder + "/log";
  server.smbd = Spawn({"smbd", "--foreground", "--no-process-group", "--configfile=" + conf,
                       "--log-basename=" + log},
                      log + "/smbd.out");
  server.nmbd = Spawn({"nmbd", "--foreground", "--no-process-group", "--configfile=" + conf,
                       "--log-basename=" + log},
                      log + "/nmbd.out");
  if (server.smbd < 0 || server.nmbd < 0) {
    error = "cannot start smbd and nmbd (is Samba installed?)";
    return false;
  }
  return true;
}

bool SmbService::Ready(const Server& server) const {
  if (server.stalled) return Listens(server.address, 445);
  return Listens(server.address, 445) &&
         Run({"nmblookup", "--configfile=" + server.folder + "/smb.conf", "-B",
              BroadcastOf(server.address, server.prefix), server.netbiosName},
             "/dev/null") == 0;
}

void SmbService::Halt(Server& server) {
  StopGroup(server.smbd);
  StopGroup(server.nmbd);
  server.smbd = server.nmbd = -1;
  if (server.stalledListener >= 0) close(server.stalledListener);
  server.stalledListener = -1;
}

bool SmbService::Start(const std::vector<std::unique_ptr<sim::SimDevice>>& devices,
                       std::string& error) {
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const sim::DeviceConfig& device = devices[i]->config();
    Server server;
    server.netbiosName = NetbiosName(device.name, i);
    server.folder = root_ + "/" + std::to_string(i + 1) + "-" + server.netbiosName;
    servers_.push_back(server);
    if (!Prepare(servers_.back(), device, error) || !Launch(servers_.back(), error)) {
      Stop();
      return false;
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
  for (const Server& server : servers_) {
    while (!Ready(server)) {
      if (std::chrono::steady_clock::now() > deadline) {
        error = "the SMB service of " + server.netbiosName + " did not come up (see " +
                server.folder + "/log)";
        Stop();
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  return true;
}

void SmbService::Moved(std::size_t index, const sim::DeviceConfig& device) {
  if (index >= servers_.size()) return;
  Server& server = servers_[index];
  Halt(server);
  std::string error;
  if (!Prepare(server, device, error) || !Launch(server, error)) {
    std::ofstream(server.folder + "/log/devsim.out", std::ios::app) << error << "\n";
  }
}

std::string SmbService::Vanish(std::size_t index, const sim::DeviceConfig& device) {
  if (index >= servers_.size()) return {};
  Server& server = servers_[index];
  const std::string share = ServedShare(device, sim::SettledShareName(device));
  const fs::path from = fs::path(server.folder) / "shares" / share;
  std::error_code ec;
  if (share.empty() || !fs::is_directory(from, ec)) return {};
  const fs::path to = fs::path(server.folder) / "vanished" / share;
  fs::create_directories(to.parent_path(), ec);
  fs::remove_all(to, ec);
  fs::rename(from, to, ec);
  if (ec) return {};
  server.vanished = share;
  // A connection already open keeps its tree: close it, so that it has to
  // connect again and finds no share.
  Run({"smbcontrol", "--configfile=" + server.folder + "/smb.conf", "smbd", "close-share", share},
      server.folder + "/log/smbcontrol.out");
  return share;
}

void SmbService::Stop() {
  for (Server& server : servers_) Halt(server);
  servers_.clear();
}

}  // namespace kfw::devsim
