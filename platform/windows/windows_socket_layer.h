#pragma once
// Datagram sockets through WinSock 2. A receive socket is bound to the
// interface's own address and port: Windows hands a multicast datagram to
// the sockets bound to the address of the interface it arrived on, so the
// binding alone ties the socket to its interface.

#include <chrono>
#include <set>
#include <string>

#include "platform/programs.h"
#include "platform/socket_layer.h"

namespace kfw::platform {

class WindowsSocketLayer final : public SocketLayer {
 public:
  ~WindowsSocketLayer() override;

  // WSAStartup for version 2.2; every Start is matched by a Stop.
  bool Start() override;
  // Closes the sockets still open, then WSACleanup.
  void Stop() override;
  // Up adapters' IPv4 unicast addresses, loopback left out (GetAdaptersAddresses).
  std::vector<std::string> LocalAddresses() override;
  SocketHandle OpenSendSocket() override;
  SocketHandle OpenReceiveSocket(const std::string& localAddress, uint16_t port,
                                 const std::string& group) override;
  void Close(SocketHandle socket) override;
  bool SetMulticastInterface(SocketHandle socket, const std::string& localAddress) override;
  bool SendTo(SocketHandle socket, const std::string& address, uint16_t port,
              std::span<const uint8_t> datagram) override;
  int WaitReadable(SocketHandle socket, Millis timeout) override;
  int WaitReadableAny(std::span<const SocketHandle> sockets, Millis timeout,
                      std::vector<bool>& readable) override;
  long Receive(SocketHandle socket, std::span<uint8_t> buffer) override;

 private:
  int starts_ = 0;
  std::set<SocketHandle> open_;  // closed at Stop or destruction if still open
};

// Whether a device's web console answers: a TCP connection to its port 80,
// given up after the check's own time-out, as on every other system.
class WindowsReachability final : public Reachability {
 public:
  // `port` is for tests, which listen on a port of their own.
  explicit WindowsReachability(std::chrono::milliseconds timeout = std::chrono::seconds(3),
                               uint16_t port = 80)
      : timeout_(timeout), port_(port) {}
  bool Answers(const std::string& host) override;

 private:
  std::chrono::milliseconds timeout_;
  uint16_t port_;
};

}  // namespace kfw::platform
