#include "sim/simulated_network.h"

#include <algorithm>
#include <cstring>

namespace kfw::sim {

void SimulatedNetwork::AddInterface(const std::string& address, int segment) {
  interfaces_.emplace_back(address, segment);
}

SimDevice& SimulatedNetwork::AddDevice(int segment, DeviceConfig config) {
  devices_[segment].push_back(std::make_unique<SimDevice>(std::move(config), seed_++));
  return *devices_[segment].back();
}

std::vector<SimDevice*> SimulatedNetwork::Devices(int segment) {
  std::vector<SimDevice*> out;
  for (auto& device : devices_[segment]) out.push_back(device.get());
  return out;
}

int SimulatedNetwork::SegmentOf(const std::string& address) const {
  for (const auto& [local, segment] : interfaces_) {
    if (local == address) return segment;
  }
  return -1;
}

void SimulatedNetwork::Inject(int segment, std::vector<uint8_t> bytes,
                              std::chrono::microseconds delay) {
  Deliver(segment, clock_.Now() + delay, bytes);
}

void SimulatedNetwork::Deliver(int segment, platform::SteadyTime at,
                               const std::vector<uint8_t>& bytes) {
  const uint64_t order = order_++;
  for (auto& [handle, socket] : sockets_) {
    if (!socket.receive || socket.segment != segment) continue;
    socket.queue.emplace(std::make_pair(at, order), bytes);
  }
}

bool SimulatedNetwork::Start() {
  ++startCount_;
  return !failStart_;
}

void SimulatedNetwork::Stop() { ++stopCount_; }

std::vector<std::string> SimulatedNetwork::LocalAddresses() {
  std::vector<std::string> out;
  for (const auto& [address, segment] : interfaces_) out.push_back(address);
  return out;
}

platform::SocketHandle SimulatedNetwork::OpenSendSocket() {
  const platform::SocketHandle handle = nextHandle_++;
  sockets_[handle] = SocketState{};
  return handle;
}

platform::SocketHandle SimulatedNetwork::OpenReceiveSocket(const std::string& localAddress,
                                                           uint16_t, const std::string&) {
  const platform::SocketHandle handle = nextHandle_++;
  SocketState state;
  state.receive = true;
  state.segment = SegmentOf(localAddress);
  state.interfaceAddress = localAddress;
  sockets_[handle] = std::move(state);
  return handle;
}

void SimulatedNetwork::Close(platform::SocketHandle socket) {
  auto it = sockets_.find(socket);
  if (it == sockets_.end()) return;
  if (onClose_) onClose_();
  closeOrder_.push_back((it->second.receive ? "receive " : "send ") + it->second.interfaceAddress);
  sockets_.erase(it);
}

bool SimulatedNetwork::SetMulticastInterface(platform::SocketHandle socket,
                                             const std::string& localAddress) {
  auto it = sockets_.find(socket);
  if (it == sockets_.end() || it->second.receive) return false;
  it->second.interfaceAddress = localAddress;
  return true;
}

bool SimulatedNetwork::SendTo(platform::SocketHandle socket, const std::string&, uint16_t,
                              std::span<const uint8_t> datagram) {
  auto it = sockets_.find(socket);
  if (it == sockets_.end() || it->second.receive) return false;
  const std::string from = it->second.interfaceAddress;
  sent_.push_back(Sent{from, std::vector<uint8_t>(datagram.begin(), datagram.end())});
  const int segment = SegmentOf(from);
  if (segment < 0) return true;
  const platform::SteadyTime now = clock_.Now();
  for (auto& device : devices_[segment]) {
    for (auto& out : device->HandleRequest(datagram)) Deliver(segment, now + out.delay, out.bytes);
  }
  return true;
}

void SimulatedNetwork::DropOverflow(SocketState& state) {
  if (receiveLimit_ == 0) return;
  // Nothing was read since the last look, so a datagram found arrived when
  // all those before it were waiting.
  auto it = state.queue.begin();
  for (std::size_t waiting = 0; it != state.queue.end() && it->first.first <= clock_.Now(); ++waiting) {
    it = waiting < receiveLimit_ ? std::next(it) : state.queue.erase(it);
  }
}

int SimulatedNetwork::WaitReadable(platform::SocketHandle socket, platform::Millis timeout) {
  auto it = sockets_.find(socket);
  if (it == sockets_.end() || !it->second.receive) {
    clock_.Advance(timeout);
    return 0;
  }
  DropOverflow(it->second);
  const auto& queue = it->second.queue;
  const platform::SteadyTime now = clock_.Now();
  if (!queue.empty() && queue.begin()->first.first <= now + timeout) {
    clock_.AdvanceTo(queue.begin()->first.first);
    return 1;
  }
  clock_.Advance(timeout);
  return 0;
}

int SimulatedNetwork::WaitReadableAny(std::span<const platform::SocketHandle> sockets,
                                      platform::Millis timeout, std::vector<bool>& readable) {
  readable.assign(sockets.size(), false);
  // The wait ends at the first arrival on any of the sockets; every socket
  // with a datagram by then is readable.
  const platform::SteadyTime limit = clock_.Now() + timeout;
  platform::SteadyTime first = platform::SteadyTime::max();
  for (const platform::SocketHandle handle : sockets) {
    auto it = sockets_.find(handle);
    if (it == sockets_.end() || !it->second.receive) continue;
    DropOverflow(it->second);
    if (it->second.queue.empty()) continue;
    first = std::min(first, it->second.queue.begin()->first.first);
  }
  if (first > limit) {
    clock_.Advance(timeout);
    return 0;
  }
  clock_.AdvanceTo(first);
  int count = 0;
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    auto it = sockets_.find(sockets[i]);
    if (it == sockets_.end() || !it->second.receive || it->second.queue.empty()) continue;
    if (it->second.queue.begin()->first.first <= clock_.Now()) {
      readable[i] = true;
      ++count;
    }
  }
  return count;
}

long SimulatedNetwork::Receive(platform::SocketHandle socket, std::span<uint8_t> buffer) {
  auto it = sockets_.find(socket);
  if (it == sockets_.end() || !it->second.receive) return -1;
  if (failReads_ > 0) {
    --failReads_;
    return -1;
  }
  DropOverflow(it->second);
  auto& queue = it->second.queue;
  if (queue.empty() || queue.begin()->first.first > clock_.Now()) return -1;
  const auto& bytes = queue.begin()->second;
  const std::size_t n = std::min(bytes.size(), buffer.size());
  if (n > 0) std::memcpy(buffer.data(), bytes.data(), n);
  queue.erase(queue.begin());
  return static_cast<long>(n);
}

}  // namespace kfw::sim
