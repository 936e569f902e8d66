#pragma once
// A network that opens no socket: the management client's socket layer over
// in-process simulated devices and a virtual clock. Each local interface is
// attached to a segment; a request sent out of an interface reaches every
// device on its segment, and their answers reach every receive socket of
// every interface on that segment (multicast), at virtual times.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/socket_layer.h"
#include "sim/sim_device.h"

namespace kfw::sim {

class SimulatedNetwork final : public platform::SocketLayer {
 public:
  explicit SimulatedNetwork(platform::FakeClock& clock) : clock_(clock) {}

  // Adds a local interface with `address`, on segment `segment`.
  void AddInterface(const std::string& address, int segment);
  // Adds a device to a segment; returns it so tests can inspect its log.
  SimDevice& AddDevice(int segment, DeviceConfig config);
  std::vector<SimDevice*> Devices(int segment);

  // Puts a datagram on every receive socket of `segment`, after `delay`
  // (microseconds, so a test can play floods of any rate).
  void Inject(int segment, std::vector<uint8_t> bytes,
              std::chrono::microseconds delay = std::chrono::microseconds(0));
  // Every datagram sent, with the interface address it left from.
  struct Sent {
    std::string interfaceAddress;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Sent>& sent() const { return sent_; }
  void ClearSent() { sent_.clear(); }
  // Failed socket library start, and a count of failed reads to report.
  void FailStart(bool fail) { failStart_ = fail; }
  void FailNextReads(int count) { failReads_ = count; }
  // How many datagrams a receive socket holds unread, as a kernel's buffer
  // does: one that arrives to a full socket is dropped. 0: no limit.
  void SetReceiveLimit(std::size_t datagrams) { receiveLimit_ = datagrams; }
  int openSockets() const { return static_cast<int>(sockets_.size()); }
  // "send <interface>" / "receive <interface>" for every socket closed, in order.
  const std::vector<std::string>& closeOrder() const { return closeOrder_; }
  // Called whenever a socket is closed, before it goes.
  void OnClose(std::function<void()> observer) { onClose_ = std::move(observer); }
  int startCount() const { return startCount_; }
  int stopCount() const { return stopCount_; }

  // platform::SocketLayer
  bool Start() override;
  void Stop() override;
  std::vector<std::string> LocalAddresses() override;
  platform::SocketHandle OpenSendSocket() override;
  platform::SocketHandle OpenReceiveSocket(const std::string& localAddress, uint16_t port,
                                           const std::string& group) override;
  void Close(platform::SocketHandle socket) override;
  bool SetMulticastInterface(platform::SocketHandle socket,
                             const std::string& localAddress) override;
  bool SendTo(platform::SocketHandle socket, const std::string& address, uint16_t port,
              std::span<const uint8_t> datagram) override;
  int WaitReadable(platform::SocketHandle socket, platform::Millis timeout) override;
  int WaitReadableAny(std::span<const platform::SocketHandle> sockets, platform::Millis timeout,
                      std::vector<bool>& readable) override;
  long Receive(platform::SocketHandle socket, std::span<uint8_t> buffer) override;

 private:
  struct SocketState {
    bool receive = false;
    int segment = -1;             // receive sockets: the interface's segment
    std::string interfaceAddress; // send: multicast interface; receive: bound interface
    // By arrival time, then sending order; a map, so that the replies of
    // thousands of devices at random delays queue in n log n.
    std::map<std::pair<platform::SteadyTime, uint64_t>, std::vector<uint8_t>> queue;
  };

  void Deliver(int segment, platform::SteadyTime at, const std::vector<uint8_t>& bytes);
  // Drops what arrived while the socket was full; runs before every look at
  // a socket, as nothing was read since the last one.
  void DropOverflow(SocketState& state);
  int SegmentOf(const std::string& address) const;

  platform::FakeClock& clock_;
  std::vector<std::pair<std::string, int>> interfaces_;
  std::map<int, std::vector<std::unique_ptr<SimDevice>>> devices_;
  std::map<platform::SocketHandle, SocketState> sockets_;
  std::vector<Sent> sent_;
  std::vector<std::string> closeOrder_;
  platform::SocketHandle nextHandle_ = 100;
  uint64_t order_ = 0;
  std::function<void()> onClose_;
  int startCount_ = 0;
  int stopCount_ = 0;
  bool failStart_ = false;
  int failReads_ = 0;
  std::size_t receiveLimit_ = 0;
  uint32_t seed_ = 1;
};

}  // namespace kfw::sim
