#include "sim/devsim/responder.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>
#include <utility>

#include "protocol/messages.h"

namespace kfw::devsim {
namespace {

// Room for a burst of a thousand devices answering twice, in both directions.
constexpr int kSocketBuffer = 8 * 1024 * 1024;
constexpr std::size_t kMaxDatagram = 65536;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool SetInt(int fd, int level, int option, int value) {
  return setsockopt(fd, level, option, &value, sizeof value) == 0;
}

// Root may raise a buffer past the system limit; others get what the limit allows.
void SetBuffer(int fd, int forced, int plain) {
  if (!SetInt(fd, SOL_SOCKET, forced, kSocketBuffer)) SetInt(fd, SOL_SOCKET, plain, kSocketBuffer);
}

long long MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

Responder::Responder(std::vector<std::unique_ptr<sim::SimDevice>> devices,
                     std::string interfaceName, std::string logPath, std::string eventsPath)
    : devices_(std::move(devices)),
      interfaceName_(std::move(interfaceName)),
      logPath_(std::move(logPath)),
      eventsPath_(std::move(eventsPath)),
      web_([this] {
        std::vector<const sim::SimDevice*> devices;
        for (const auto& device : devices_) devices.push_back(device.get());
        return devices;
      }()) {}

bool Responder::Open(std::string& error) {
  if (!interfaceName_.empty()) {
    interfaceIndex_ = static_cast<int>(if_nametoindex(interfaceName_.c_str()));
    if (interfaceIndex_ == 0) {
      error = "no interface " + interfaceName_;
      return false;
    }
  }
  if (!logPath_.empty()) {
    log_.open(logPath_, std::ios::out | std::ios::trunc);
    if (!log_) {
      error = "cannot write " + logPath_;
      return false;
    }
  }

  if (!eventsPath_.empty()) {
    events_.open(eventsPath_, std::ios::out | std::ios::trunc);
    if (!events_) {
      error = "cannot write " + eventsPath_;
      return false;
    }
  }

  receive_ = Fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  send_ = Fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (receive_.get() < 0 || send_.get() < 0) {
    error = Errno("socket");
    return false;
  }
  const int rx = receive_.get();
  if (!SetInt(rx, SOL_SOCKET, SO_REUSEADDR, 1)) {
    error = Errno("SO_REUSEADDR");
    return false;
  }
  if (!interfaceName_.empty() &&
      setsockopt(rx, SOL_SOCKET, SO_BINDTODEVICE, interfaceName_.c_str(),
                 static_cast<socklen_t>(interfaceName_.size())) != 0) {
    error = Errno("SO_BINDTODEVICE");
    return false;
  }
  SetBuffer(rx, SO_RCVBUFFORCE, SO_RCVBUF);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(protocol::kPort);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(rx, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    error = Errno("bind");
    return false;
  }
  if (!SetInt(rx, IPPROTO_IP, IP_PKTINFO, 1)) {
    error = Errno("IP_PKTINFO");
    return false;
  }
  ip_mreqn membership{};
  inet_pton(AF_INET, protocol::kGroupAddress, &membership.imr_multiaddr);
  membership.imr_ifindex = interfaceIndex_;
  if (setsockopt(rx, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
    error = Errno("IP_ADD_MEMBERSHIP");
    return false;
  }

  const int tx = send_.get();
  SetBuffer(tx, SO_SNDBUFFORCE, SO_SNDBUF);
  // Replies are for the workstations on the wire, not for this host.
  if (!SetInt(tx, IPPROTO_IP, IP_MULTICAST_LOOP, 0)) {
    error = Errno("IP_MULTICAST_LOOP");
    return false;
  }
  if (interfaceIndex_ != 0) {
    ip_mreqn out{};
    out.imr_ifindex = interfaceIndex_;
    setsockopt(tx, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);
  }
  return web_.Open(error);
}

void Responder::Run(const volatile int& stop) {
  sigset_t waitMask;
  sigemptyset(&waitMask);
  std::vector<pollfd> fds;
  while (!stop) {
    fds.assign(1, {receive_.get(), POLLIN, 0});
    web_.AddPollFds(fds);
    std::optional<std::chrono::steady_clock::time_point> due = web_.NextDue();
    if (!queue_.empty() && (!due || queue_.top().due < *due)) due = queue_.top().due;
    for (const auto& [index, at] : vanishAt_)
      if (!due || at < *due) due = at;
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (due) {
      const auto wait = *due - std::chrono::steady_clock::now();
      const auto ns = std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count());
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000);
      timeoutPtr = &timeout;
    }
    const int ready = ppoll(fds.data(), fds.size(), timeoutPtr, &waitMask);
    if (ready < 0 && errno != EINTR) break;
    if (ready < 0) continue;  // a stop signal: the loop's condition decides
    if (fds[0].revents & POLLIN) ReceiveAll();
    SendDue();
    VanishDue();
    web_.Serve(std::span<const pollfd>(fds).subspan(1));
    for (std::size_t index : std::exchange(moved_, {})) {
      if (onMoved_) onMoved_(index, devices_[index]->config());
      // The console follows the device to its new address.
      std::string error;
      if (!web_.Rebind(devices_[index].get(), error)) std::fprintf(stderr, "korvex-devsim: %s\n", error.c_str());
      // The handler may have given the new address to this host: try it as
      // a source again.
      foreignSources_.erase(devices_[index]->address());
    }
  }
}

void Responder::ReceiveAll() {
  std::vector<uint8_t> buffer(kMaxDatagram);
  alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
  while (true) {
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    const ssize_t n = recvmsg(receive_.get(), &msg, MSG_DONTWAIT);
    if (n < 0) return;  // drained (or a transient error: poll tells again)
    int ifindex = interfaceIndex_;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        ifindex = info.ipi_ifindex;
      }
    }
    const std::vector<uint8_t> request(buffer.begin(), buffer.begin() + n);
    LogRequest(request, ifindex);
    Dispatch(request, ifindex);
  }
}

void Responder::Dispatch(const std::vector<uint8_t>& request, int ifindex) {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard<std::mutex> hold(deviceLock_);
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    auto& device = devices_[i];
    const std::string before = device->address();
    const std::size_t known = device->events().size();
    auto replies = device->HandleRequest(request);
    NoteEvents(i, known, now);
    for (auto& reply : replies)
      queue_.push({now + reply.delay, order_++, ifindex, device->address(), std::move(reply.bytes)});
    if (device->address() != before) moved_.push_back(i);
  }
}

void Responder::NoteEvents(std::size_t index, std::size_t known,
                           std::chrono::steady_clock::time_point now) {
  const sim::SimDevice& device = *devices_[index];
  const auto& events = device.events();
  for (std::size_t e = known; e < events.size(); ++e) {
    LogEvent(device.address(), events[e].item, events[e].text);
    // The tool opens the device for writing just before it copies the
    // add-on's files: the share goes from then on.
    if (events[e].item == "access_mode" && events[e].text == "rw" &&
        device.config().vanishShareMs >= 0 && vanishArmed_.insert(index).second)
      vanishAt_[index] = now + std::chrono::milliseconds(device.config().vanishShareMs);
  }
}

void Responder::VanishDue() {
  const auto now = std::chrono::steady_clock::now();
  for (auto it = vanishAt_.begin(); it != vanishAt_.end();) {
    if (it->second > now) {
      ++it;
      continue;
    }
    const sim::SimDevice& device = *devices_[it->first];
    const std::string share = onVanish_ ? onVanish_(it->first, device.config()) : std::string();
    if (!share.empty()) LogEvent(device.address(), "vanished", share);
    it = vanishAt_.erase(it);
  }
}

void Responder::SendDue() {
  const auto now = std::chrono::steady_clock::now();
  while (!queue_.empty() && queue_.top().due <= now) {
    Send(queue_.top());
    queue_.pop();
  }
}

void Responder::Send(const Scheduled& datagram) {
  sockaddr_in group{};
  group.sin_family = AF_INET;
  group.sin_port = htons(protocol::kPort);
  inet_pton(AF_INET, protocol::kGroupAddress, &group.sin_addr);

  in_pktinfo info{};
  info.ipi_ifindex = datagram.ifindex;
  const bool ownSource = !foreignSources_.contains(datagram.source) &&
                         inet_pton(AF_INET, datagram.source.c_str(), &info.ipi_spec_dst) == 1;
  if (!ownSource) info.ipi_spec_dst.s_addr = 0;

  for (int attempt = 0; attempt < 200; ++attempt) {
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    iovec iov{const_cast<uint8_t*>(datagram.bytes.data()), datagram.bytes.size()};
    msghdr msg{};
    msg.msg_name = &group;
    msg.msg_namelen = sizeof group;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control.data();
    msg.msg_controllen = control.size();
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof info);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (sendmsg(send_.get(), &msg, 0) >= 0) return;
    if (errno == ENOBUFS || errno == EAGAIN || errno == EINTR) {
      // The queue of the interface is full: let it drain rather than drop.
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    if (info.ipi_spec_dst.s_addr == 0) return;
    // The device's address is not assigned here (it moved to an address the
    // test bed does not carry; the kernel refuses it as a source with
    // EINVAL or ENETUNREACH): send from the interface's own address.
    foreignSources_.insert(datagram.source);
    info.ipi_spec_dst.s_addr = 0;
  }
}

void Responder::LogEvent(const std::string& address, const std::string& item,
                         const std::string& text) {
  if (!events_.is_open()) return;
  std::string line = std::to_string(MonotonicMs()) + " " + address + " " + item;
  if (!text.empty()) line += " ";
  // One event a line, whatever the text holds.
  for (char c : text) line.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c);
  line.push_back('\n');
  events_ << line << std::flush;
}

void Responder::LogRequest(const std::vector<uint8_t>& request, int ifindex) {
  if (!log_.is_open()) return;
  auto known = interfaceNames_.find(ifindex);
  if (known == interfaceNames_.end()) {
    std::array<char, IF_NAMESIZE> name{};
    const char* found = if_indextoname(static_cast<unsigned>(ifindex), name.data());
    known = interfaceNames_.emplace(ifindex, found ? std::string(found) : "?").first;
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string line = std::to_string(MonotonicMs()) + " " + known->second + " ";
  line.reserve(line.size() + request.size() * 2 + 1);
  for (uint8_t byte : request) {
    line.push_back(kHex[byte >> 4]);
    line.push_back(kHex[byte & 15]);
  }
  line.push_back('\n');
  log_ << line << std::flush;
}

}  // namespace kfw::devsim
