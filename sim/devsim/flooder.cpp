#include "sim/devsim/flooder.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "protocol/messages.h"

namespace kfw::devsim {
namespace {

// Datagrams handed to the kernel in one call.
constexpr std::size_t kBatch = 256;

}  // namespace

Flooder::Flooder(sim::SimDevice& device, std::mutex& lock, std::string interfaceName)
    : device_(device), lock_(lock), interfaceName_(std::move(interfaceName)) {}

bool Flooder::Open(std::string& error) {
  socket_ = Fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (socket_.get() < 0) {
    error = std::string("flood socket: ") + std::strerror(errno);
    return false;
  }
  const int fd = socket_.get();
  const int buffer = 8 * 1024 * 1024;
  if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &buffer, sizeof buffer) != 0)
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  const int off = 0;
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &off, sizeof off);
  if (!interfaceName_.empty()) {
    ip_mreqn out{};
    out.imr_ifindex = static_cast<int>(if_nametoindex(interfaceName_.c_str()));
    if (out.imr_ifindex == 0 || setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) != 0) {
      error = "flood: no interface " + interfaceName_;
      return false;
    }
  }
  return true;
}

void Flooder::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void Flooder::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

bool Flooder::On() const {
  const bool toggled = toggles_.load(std::memory_order_relaxed) % 2 == 1;
  return device_.config().floodAtStart != toggled;
}

void Flooder::Report(uint64_t sent, std::chrono::steady_clock::time_point since) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - since)
                      .count();
  std::string address;
  {
    std::lock_guard<std::mutex> hold(lock_);
    address = device_.address();
  }
  std::fprintf(stderr, "korvex-devsim: flood from %s: %llu datagrams in %lld ms\n",
               address.c_str(), static_cast<unsigned long long>(sent),
               static_cast<long long>(ms));
  std::fflush(stderr);
}

void Flooder::Run() {
  using Clock = std::chrono::steady_clock;
  sockaddr_in group{};
  group.sin_family = AF_INET;
  group.sin_port = htons(protocol::kPort);
  inet_pton(AF_INET, protocol::kGroupAddress, &group.sin_addr);

  const int rate = device_.config().floodRate;  // fixed for the program's life
  const int burst = std::max(1, device_.config().floodBurst);
  // A paced flood sends a burst every burst/rate seconds; one as fast as it
  // can sends batch after batch.
  const auto interval = rate > 0 ? std::chrono::nanoseconds(1000000000LL * burst / rate)
                                 : std::chrono::nanoseconds(0);
  std::vector<std::vector<uint8_t>> datagrams;
  std::array<iovec, kBatch> iov{};
  std::array<mmsghdr, kBatch> messages{};
  uint64_t n = 0;
  uint64_t sent = 0;
  bool was = false;
  Clock::time_point since{};
  Clock::time_point due = Clock::now();

  while (!stop_) {
    if (!On()) {
      if (was) Report(sent, since);
      was = false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    if (!was) {
      was = true;
      sent = 0;
      since = due = Clock::now();
    }
    std::size_t count = rate > 0 ? static_cast<std::size_t>(burst) : kBatch;
    if (rate > 0) {
      std::this_thread::sleep_until(due);
      // Behind by more than a moment (the machine was busy): start afresh
      // rather than send a long catch-up burst.
      due = std::max(due + interval, Clock::now() - std::chrono::milliseconds(50));
    }
    datagrams.clear();
    {
      std::lock_guard<std::mutex> hold(lock_);
      for (std::size_t k = 0; k < count; ++k) datagrams.push_back(device_.FloodDatagram(n++));
    }
    for (std::size_t first = 0; first < datagrams.size() && !stop_;) {
      const std::size_t batch = std::min(kBatch, datagrams.size() - first);
      for (std::size_t k = 0; k < batch; ++k) {
        auto& bytes = datagrams[first + k];
        iov[k] = {bytes.data(), bytes.size()};
        messages[k] = {};
        messages[k].msg_hdr.msg_name = &group;
        messages[k].msg_hdr.msg_namelen = sizeof group;
        messages[k].msg_hdr.msg_iov = &iov[k];
        messages[k].msg_hdr.msg_iovlen = 1;
      }
      const int took = sendmmsg(socket_.get(), messages.data(), static_cast<unsigned>(batch), 0);
      if (took > 0) {
        sent += static_cast<uint64_t>(took);
        first += static_cast<std::size_t>(took);
      } else if (errno == ENOBUFS || errno == EAGAIN || errno == EINTR) {
        // The interface's queue is full: let it drain.
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      } else {
        break;  // nothing this flood can do about it; the next burst tries again
      }
    }
  }
  if (was) Report(sent, since);
}

}  // namespace kfw::devsim
