#pragma once
// The devices' SMB shares: for each device one smbd serving its shares and
// one nmbd answering its name as a NetBIOS name on the segment, both bound
// to the device's address only, with a private configuration and all their
// state in the device's folder under the service's root:
//
//   ROOT/N-NAME/smb.conf      N: the device's place in the list, from 1
//   ROOT/N-NAME/shares/SHARE  one folder a share
//   ROOT/N-NAME/log/          the servers' logs
//
// Shares are guest-writable, except the device's private shares, which only
// its SMB user reaches with its password (the user becomes a system account
// when the machine has none of that name). A device whose SMB service is
// stalled gets, in place of both servers, a socket on port 445 that takes
// connections into its queue and never reads them.
//
// The share the device settles on (its last share-name answer) holds the
// folders add-ons are installed into: .codepages and Nas_Prog/BT on HDD_a,
// .systemfile/.codepages and Nas_Prog/BT on HDD_1.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/sim_device.h"

namespace kfw::devsim {

class SmbService {
 public:
  SmbService(std::string root, std::string interfaceName);
  SmbService(const SmbService&) = delete;
  SmbService& operator=(const SmbService&) = delete;
  ~SmbService() { Stop(); }

  // Starts every device's servers and waits until each serves and its name
  // resolves on the segment; false with `error` set (nothing left running).
  bool Start(const std::vector<std::unique_ptr<sim::SimDevice>>& devices, std::string& error);
  // The device at `index` moved: its servers start again at its new address.
  void Moved(std::size_t index, const sim::DeviceConfig& device);
  // The device's settled share goes away, as when its disk drops out: the
  // share's folder moves to ROOT/N-NAME/vanished/SHARE and the connections
  // to it are closed, so every later tree connect and write fails. The
  // share's name, or "" when the device serves no such share.
  std::string Vanish(std::size_t index, const sim::DeviceConfig& device);
  void Stop();

 private:
  struct Server {
    std::string folder;
    std::string netbiosName;
    std::string address;
    int prefix = 24;
    pid_t smbd = -1;
    pid_t nmbd = -1;
    bool stalled = false;
    int stalledListener = -1;
    std::string vanished;  // the share gone, not served again after a move
  };

  bool Prepare(Server& server, const sim::DeviceConfig& device, std::string& error);
  bool Launch(Server& server, std::string& error);
  void Halt(Server& server);
  bool Ready(const Server& server) const;

  std::string root_;
  std::string interfaceName_;
  std::vector<Server> servers_;
};

}  // namespace kfw::devsim
