// select() takes at most FD_SETSIZE sockets; a workstation may have more
// interfaces than WinSock's default of 64 allows for.
#define FD_SETSIZE 1024

#include "platform/windows/windows_socket_layer.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <mswsock.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace kfw::platform {
namespace {

// A burst of replies from a crowded segment must not be dropped before it
// is read.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

SOCKET Native(SocketHandle handle) { return static_cast<SOCKET>(handle); }

bool ToAddress(const std::string& text, in_addr& out) {
  return inet_pton(AF_INET, text.c_str(), &out) == 1;
}

timeval ToTimeval(Millis timeout) {
  const long long ms = timeout.count() < 0 ? 0 : timeout.count();
  return timeval{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
}

// IPv4 unicast addresses of the adapters that are up, in the system's order.
std::vector<std::string> AdapterAddresses(bool withLoopback) {
  std::vector<std::string> addresses;
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list may grow between two calls: ask again with the size it asks for.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return addresses;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
       adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp) continue;
    if (!withLoopback && adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      char text[INET_ADDRSTRLEN] = {};
      const auto* sin = reinterpret_cast<const sockaddr_in*>(address);
      if (inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) addresses.emplace_back(text);
    }
  }
  return addresses;
}

bool InterfaceCarries(const std::string& address) {
  const std::vector<std::string> all = AdapterAddresses(true);
  return std::find(all.begin(), all.end(), address) != all.end();
}

void SleepFor(Millis timeout) {
  if (timeout.count() > 0) std::this_thread::sleep_for(timeout);
}

}  // namespace

WindowsSocketLayer::~WindowsSocketLayer() {
  while (starts_ > 0) Stop();
}

bool WindowsSocketLayer::Start() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  ++starts_;
  return true;
}

void WindowsSocketLayer::Stop() {
  if (starts_ == 0) return;
  // Sockets cannot outlive the library that made them.
  if (starts_ == 1) {
    for (const SocketHandle socket : open_) closesocket(Native(socket));
    open_.clear();
  }
  WSACleanup();
  --starts_;
}

std::vector<std::string> WindowsSocketLayer::LocalAddresses() { return AdapterAddresses(false); }

SocketHandle WindowsSocketLayer::OpenSendSocket() {
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return kNoSocket;
  open_.insert(s);
  const DWORD loop = 0;
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop), sizeof loop);
  return s;
}

SocketHandle WindowsSocketLayer::OpenReceiveSocket(const std::string& localAddress, uint16_t port,
                                                   const std::string& group) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (!ToAddress(localAddress, local.sin_addr)) return kNoSocket;
  // Not every system refuses a bind to an address no interface carries.
  if (!InterfaceCarries(localAddress)) {
    std::fprintf(stderr, "receive socket for %s not opened: no interface carries that address\n",
                 localAddress.c_str());
    return kNoSocket;
  }
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return kNoSocket;

  const BOOL on = TRUE;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
  // Bound to another interface's address, or to none, the slot would file
  // other segments' replies under its own: such a slot stays closed.
  if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::fprintf(stderr, "receive socket for %s not opened: cannot bind to it (error %d)\n",
                 localAddress.c_str(), WSAGetLastError());
    closesocket(s);
    return kNoSocket;
  }
  open_.insert(s);

  // Failures below are not fatal: the slot stays, and simply hears nothing.
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  // An ICMP "port unreachable" for an earlier datagram must not fail the next read.
  BOOL reportReset = FALSE;
  DWORD unused = 0;
  WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &unused, nullptr, nullptr);
  const int size = kReceiveBuffer;
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  ip_mreq membership{};
  ToAddress(group, membership.imr_multiaddr);
  membership.imr_interface = local.sin_addr;
  setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership), sizeof membership);
  const DWORD loop = 0;
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop), sizeof loop);
  return s;
}

void WindowsSocketLayer::Close(SocketHandle socket) {
  if (open_.erase(socket)) closesocket(Native(socket));
}

bool WindowsSocketLayer::SetMulticastInterface(SocketHandle socket, const std::string& localAddress) {
  in_addr address{};
  if (socket == kNoSocket || !ToAddress(localAddress, address)) return false;
  return setsockopt(Native(socket), IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&address),
                    sizeof address) == 0;
}

bool WindowsSocketLayer::SendTo(SocketHandle socket, const std::string& address, uint16_t port,
                                std::span<const uint8_t> datagram) {
  if (socket == kNoSocket) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (!ToAddress(address, to.sin_addr)) return false;
  const int size = static_cast<int>(datagram.size());
  return ::sendto(Native(socket), reinterpret_cast<const char*>(datagram.data()), size, 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) == size;
}

int WindowsSocketLayer::WaitReadable(SocketHandle socket, Millis timeout) {
  std::vector<bool> readable;
  const SocketHandle one[] = {socket};
  const int result = WaitReadableAny(one, timeout, readable);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int WindowsSocketLayer::WaitReadableAny(std::span<const SocketHandle> sockets, Millis timeout,
                                        std::vector<bool>& readable) {
  readable.assign(sockets.size(), false);
  fd_set set;
  FD_ZERO(&set);
  for (const SocketHandle socket : sockets) {
    if (socket == kNoSocket) continue;
    if (set.fd_count == FD_SETSIZE) return -1;
    FD_SET(Native(socket), &set);
  }
  // select() refuses an empty set: slots whose sockets could not be opened
  // wait out their time quietly.
  if (set.fd_count == 0) {
    SleepFor(timeout);
    return 0;
  }
  timeval wait = ToTimeval(timeout);
  const int result = ::select(0, &set, nullptr, nullptr, &wait);
  if (result == SOCKET_ERROR) return -1;
  int count = 0;
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    if (sockets[i] != kNoSocket && FD_ISSET(Native(sockets[i]), &set)) {
      readable[i] = true;
      ++count;
    }
  }
  return count;
}

long WindowsSocketLayer::Receive(SocketHandle socket, std::span<uint8_t> buffer) {
  if (socket == kNoSocket) return -1;
  const int n = ::recv(Native(socket), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (n != SOCKET_ERROR) return n;
  // A datagram longer than the buffer arrives cut to its size, as elsewhere.
  return WSAGetLastError() == WSAEMSGSIZE ? static_cast<long>(buffer.size()) : -1;
}

bool WindowsReachability::Answers(const std::string& host) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port_);
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  bool answered = false;
  if (!ToAddress(host, peer.sin_addr)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
      WSACleanup();
      return false;
    }
    peer.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
  }
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
      answered = true;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
      // The attempt has ended when the socket is writable (connected) or
      // in the exception set (refused); only the first is an answer.
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval wait = ToTimeval(timeout_);
      answered = ::select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s, &writable);
    }
    closesocket(s);
  }
  WSACleanup();
  return answered;
}

}  // namespace kfw::platform
