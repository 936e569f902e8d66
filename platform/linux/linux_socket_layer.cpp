#include "platform/linux/linux_socket_layer.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kfw::platform {
namespace {

// A burst of replies from a crowded segment must not be dropped by the
// kernel before it is read.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;

bool ToAddress(const std::string& text, in_addr& out) {
  return inet_pton(AF_INET, text.c_str(), &out) == 1;
}

}  // namespace

LinuxSocketLayer::~LinuxSocketLayer() {
  for (const auto& [fd, unused] : open_) ::close(fd);
}

std::vector<std::string> LinuxSocketLayer::LocalAddresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return addresses;
  for (ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    if (!(it->ifa_flags & IFF_UP) || (it->ifa_flags & IFF_LOOPBACK)) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) addresses.emplace_back(text);
  }
  freeifaddrs(list);
  return addresses;
}

std::string LinuxSocketLayer::InterfaceOf(const std::string& localAddress) {
  in_addr wanted{};
  if (!ToAddress(localAddress, wanted)) return {};
  std::string name;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  for (ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (sin->sin_addr.s_addr == wanted.s_addr) {
      name = it->ifa_name;
      break;
    }
  }
  freeifaddrs(list);
  return name;
}

SocketHandle LinuxSocketLayer::OpenSendSocket() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  open_[fd] = true;
  const int loop = 0;
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
  return fd;
}

SocketHandle LinuxSocketLayer::OpenReceiveSocket(const std::string& localAddress, uint16_t port,
                                                 const std::string& group) {
  const std::string device = InterfaceOf(localAddress);
  if (device.empty()) {
    std::fprintf(stderr, "receive socket for %s not opened: no interface carries that address\n",
                 localAddress.c_str());
    return kNoSocket;
  }
  return OpenReceiveSocketOn(device, localAddress, port, group);
}

SocketHandle LinuxSocketLayer::OpenReceiveSocketOn(const std::string& device,
                                                   const std::string& localAddress, uint16_t port,
                                                   const std::string& group) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;

  // Without its interface binding the socket would hear every interface and
  // file other segments' replies under this slot: such a slot stays deaf.
  if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(),
                 static_cast<socklen_t>(device.size())) != 0) {
    std::fprintf(stderr, "receive socket for %s not opened: cannot tie it to interface %s: %s\n",
                 localAddress.c_str(), device.c_str(), std::strerror(errno));
    ::close(fd);
    return kNoSocket;
  }
  open_[fd] = true;

  // Failures below are not fatal: the slot stays, and simply hears nothing.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const int size = kReceiveBuffer;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any);

  ip_mreq membership{};
  ToAddress(group, membership.imr_multiaddr);
  ToAddress(localAddress, membership.imr_interface);
  setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
  const int loop = 0;
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
  return fd;
}

void LinuxSocketLayer::Close(SocketHandle socket) {
  if (open_.erase(socket)) ::close(socket);
}

bool LinuxSocketLayer::SetMulticastInterface(SocketHandle socket, const std::string& localAddress) {
  in_addr address{};
  if (socket < 0 || !ToAddress(localAddress, address)) return false;
  return setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof address) == 0;
}

bool LinuxSocketLayer::SendTo(SocketHandle socket, const std::string& address, uint16_t port,
                              std::span<const uint8_t> datagram) {
  if (socket < 0) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (!ToAddress(address, to.sin_addr)) return false;
  return ::sendto(socket, datagram.data(), datagram.size(), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
         static_cast<ssize_t>(datagram.size());
}

int LinuxSocketLayer::WaitReadable(SocketHandle socket, Millis timeout) {
  if (socket < 0) {
    // A slot whose socket could not be opened waits out its time quietly.
    if (timeout.count() > 0) ::usleep(static_cast<useconds_t>(timeout.count()) * 1000);
    return 0;
  }
  pollfd p{socket, POLLIN, 0};
  int result;
  do {
    result = ::poll(&p, 1, static_cast<int>(timeout.count()));
  } while (result < 0 && errno == EINTR);
  if (result < 0) return -1;
  return (result > 0 && (p.revents & (POLLIN | POLLERR))) ? 1 : 0;
}

int LinuxSocketLayer::WaitReadableAny(std::span<const SocketHandle> sockets, Millis timeout,
                                      std::vector<bool>& readable) {
  readable.assign(sockets.size(), false);
  // poll() leaves out negative descriptors, so a slot whose socket could not
  // be opened simply waits with the others.
  std::vector<pollfd> polled(sockets.size());
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    polled[i] = pollfd{sockets[i] < 0 ? -1 : sockets[i], POLLIN, 0};
  }
  int result;
  do {
    result = ::poll(polled.data(), polled.size(), static_cast<int>(timeout.count()));
  } while (result < 0 && errno == EINTR);
  if (result < 0) return -1;
  int count = 0;
  for (std::size_t i = 0; i < polled.size(); ++i) {
    if (polled[i].revents & (POLLIN | POLLERR)) {
      readable[i] = true;
      ++count;
    }
  }
  return count;
}

long LinuxSocketLayer::Receive(SocketHandle socket, std::span<uint8_t> buffer) {
  if (socket < 0) return -1;
  const ssize_t n = ::recv(socket, buffer.data(), buffer.size(), MSG_DONTWAIT);
  return n < 0 ? -1 : static_cast<long>(n);
}

}  // namespace kfw::platform
