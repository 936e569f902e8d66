#include "platform/linux/linux_reachability.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kfw::platform {
namespace {

constexpr uint16_t kHttpPort = 80;

bool Resolve(const std::string& host, in_addr& address) {
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
  if (host.empty()) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

class Socket {
 public:
  Socket() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool LinuxReachability::Answers(const std::string& host) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(kHttpPort);
  if (!Resolve(host, peer.sin_addr)) return false;
  const Socket s;
  if (s.get() < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  if (connect(s.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return true;
  if (errno != EINPROGRESS) return false;
  while (true) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{s.get(), POLLOUT, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    // Writable once the attempt has ended, either way: the outcome is in SO_ERROR.
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
}

}  // namespace kfw::platform
