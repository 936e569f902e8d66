#pragma once
// Datagram sockets and the workstation's local addresses, as the management
// client needs them. The Linux implementation uses POSIX sockets, the Windows
// one WinSock 2; tests use a simulated network that opens no real socket.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kfw::platform {

using Millis = std::chrono::milliseconds;
#ifdef _WIN32
// A WinSock SOCKET is an unsigned, pointer-sized value; INVALID_SOCKET is
// all ones.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle{0};
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

class SocketLayer {
 public:
  virtual ~SocketLayer() = default;

  // Starts the socket library; false means the program cannot run at all.
  virtual bool Start() = 0;
  virtual void Stop() = 0;

  // IPv4 addresses of the interfaces that are up, loopback left out, in the
  // system's order, as dotted-decimal texts. May hold more than eight.
  virtual std::vector<std::string> LocalAddresses() = 0;

  // A socket that sends to the multicast group; its own datagrams are not
  // looped back to this computer.
  virtual SocketHandle OpenSendSocket() = 0;
  // A socket that receives exactly the datagrams for `port` that arrive on the
  // interface carrying `localAddress` (multicast to `group` and unicast),
  // with address reuse so several copies of the program can listen at once.
  virtual SocketHandle OpenReceiveSocket(const std::string& localAddress, uint16_t port,
                                         const std::string& group) = 0;
  virtual void Close(SocketHandle socket) = 0;

  virtual bool SetMulticastInterface(SocketHandle socket, const std::string& localAddress) = 0;
  virtual bool SendTo(SocketHandle socket, const std::string& address, uint16_t port,
                      std::span<const uint8_t> datagram) = 0;
  // 1 readable, 0 time-out, -1 error.
  virtual int WaitReadable(SocketHandle socket, Millis timeout) = 0;
  // One wait over several sockets: returns as soon as any of them is
  // readable, or after `timeout`. `readable` gets one flag per socket, in the
  // order given. Handles that are not open are never readable but still
  // wait out the time. The number of readable sockets, 0 time-out, -1 error.
  virtual int WaitReadableAny(std::span<const SocketHandle> sockets, Millis timeout,
                              std::vector<bool>& readable) = 0;
  // Reads one datagram into `buffer` (cut to its size); bytes kept, or -1.
  virtual long Receive(SocketHandle socket, std::span<uint8_t> buffer) = 0;
};

// Closes its socket when it goes; move-only.
class Socket {
 public:
  Socket() = default;
  Socket(SocketLayer* layer, SocketHandle handle) : layer_(layer), handle_(handle) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& other) noexcept { *this = std::move(other); }
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      Reset();
      layer_ = other.layer_;
      handle_ = other.handle_;
      other.handle_ = kNoSocket;
    }
    return *this;
  }
  ~Socket() { Reset(); }

  SocketHandle get() const { return handle_; }
  bool valid() const { return handle_ != kNoSocket; }
  void Reset() {
    if (layer_ && handle_ != kNoSocket) layer_->Close(handle_);
    handle_ = kNoSocket;
  }

 private:
  SocketLayer* layer_ = nullptr;
  SocketHandle handle_ = kNoSocket;
};

}  // namespace kfw::platform
