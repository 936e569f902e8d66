#pragma once
// The socket side of korvex-devsim: receives the management protocol's
// requests on the group port, hands each to every simulated device and sends
// their replies to the group, each at its own delay, out of the interface the
// request came in on. The devices' web consoles are served in the same loop.
// The add-on set requests each device took go to an events file, one line
// each: "MS ADDRESS ITEM TEXT" (monotonic milliseconds, the device's
// address, e.g. "codepage 950"), and "MS ADDRESS vanished SHARE" when a
// device's share went away.

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
#include <set>
#include <string>
#include <vector>

#include "sim/devsim/fd.h"
#include "sim/devsim/web_console.h"
#include "sim/sim_device.h"

namespace kfw::devsim {

class Responder {
 public:
  Responder(std::vector<std::unique_ptr<sim::SimDevice>> devices, std::string interfaceName,
            std::string logPath, std::string eventsPath = {});

  // Called for each device that moved to a new address, once the replies
  // due are sent (so that what it takes does not hold them up).
  using MoveHandler = std::function<void(std::size_t index, const sim::DeviceConfig& device)>;
  void OnMoved(MoveHandler handler) { onMoved_ = std::move(handler); }
  // Called when a device's vanish_share_ms has run out after it confirmed
  // access mode "rw"; answers the share that went, or "" for none.
  using VanishHandler = std::function<std::string(std::size_t index, const sim::DeviceConfig& device)>;
  void OnVanish(VanishHandler handler) { onVanish_ = std::move(handler); }

  // Opens and configures the sockets (the web consoles' as well) and the
  // log; false with `error` set.
  bool Open(std::string& error);
  // The devices, and the lock that guards them while a flood thread reads
  // them too.
  std::vector<sim::SimDevice*> devices() const {
    std::vector<sim::SimDevice*> out;
    for (const auto& device : devices_) out.push_back(device.get());
    return out;
  }
  std::mutex& deviceLock() { return deviceLock_; }
  // Serves until `stop` becomes non-zero (set from a signal handler; the
  // caller blocks those signals, which are let through only while waiting).
  void Run(const volatile int& stop);

 private:
  struct Scheduled {
    std::chrono::steady_clock::time_point due;
    uint64_t order;
    int ifindex;
    std::string source;  // the device's address when it answered
    std::vector<uint8_t> bytes;
    bool operator>(const Scheduled& other) const {
      return due != other.due ? due > other.due : order > other.order;
    }
  };

  void ReceiveAll();
  void Dispatch(const std::vector<uint8_t>& request, int ifindex);
  void SendDue();
  void Send(const Scheduled& datagram);
  void LogRequest(const std::vector<uint8_t>& request, int ifindex);
  void LogEvent(const std::string& address, const std::string& item, const std::string& text);
  // Writes the device's new events and arms its share's vanishing.
  void NoteEvents(std::size_t index, std::size_t known, std::chrono::steady_clock::time_point now);
  void VanishDue();

  std::vector<std::unique_ptr<sim::SimDevice>> devices_;
  std::mutex deviceLock_;
  std::string interfaceName_;
  int interfaceIndex_ = 0;
  std::string logPath_;
  std::ofstream log_;
  std::string eventsPath_;
  std::ofstream events_;
  Fd receive_;
  Fd send_;
  std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<>> queue_;
  uint64_t order_ = 0;
  // Addresses the kernel refused as a source: not assigned here, so replies
  // from them go out with the interface's own source address.
  std::set<std::string> foreignSources_;
  std::map<int, std::string> interfaceNames_;  // by index, for the request log
  MoveHandler onMoved_;
  VanishHandler onVanish_;
  // When each armed device's share goes; a device is armed once.
  std::map<std::size_t, std::chrono::steady_clock::time_point> vanishAt_;
  std::set<std::size_t> vanishArmed_;
  std::vector<std::size_t> moved_;  // devices that moved since the last turn
  WebConsoles web_;
};

}  // namespace kfw::devsim
