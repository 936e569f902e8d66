#pragma once
// Datagram sockets on Linux. A receive socket is tied to its interface with
// SO_BINDTODEVICE and bound to the wildcard address: bound to the interface's
// unicast address it would receive no multicast at all.

#include <map>
#include <string>

#include "platform/socket_layer.h"

namespace kfw::platform {

class LinuxSocketLayer final : public SocketLayer {
 public:
  ~LinuxSocketLayer() override;

  bool Start() override { return true; }
  void Stop() override {}
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

  // The receive socket of OpenReceiveSocket, tied to the interface named
  // `device`; kNoSocket, with one line on standard error, when the socket
  // cannot be tied to it.
  SocketHandle OpenReceiveSocketOn(const std::string& device, const std::string& localAddress,
                                   uint16_t port, const std::string& group);
  // Name of the interface that carries `localAddress`, or "".
  static std::string InterfaceOf(const std::string& localAddress);

 private:
  std::map<SocketHandle, bool> open_;  // closed at destruction if still open
};

}  // namespace kfw::platform
