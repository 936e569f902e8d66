#pragma once
// A device's junk flood (flood_rate, flood_burst, flood_kinds): a thread of
// its own that sends the device's flood datagrams to the group as fast as
// the configured rate allows, in batches of sendmmsg, and counts what the
// kernel took. SIGUSR1 switches every flood on or off; each time a flood
// stops it writes what it sent, "korvex-devsim: flood from ADDRESS: N
// datagrams in MS ms", to standard error.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "sim/devsim/fd.h"
#include "sim/sim_device.h"

namespace kfw::devsim {

class Flooder {
 public:
  // `lock` guards `device`, which the responder's thread drives too.
  Flooder(sim::SimDevice& device, std::mutex& lock, std::string interfaceName);
  ~Flooder() { Stop(); }
  Flooder(const Flooder&) = delete;
  Flooder& operator=(const Flooder&) = delete;

  bool Open(std::string& error);
  void Start();
  // Ends the thread and reports a flood still running.
  void Stop();

  // Switches every flood of the process; safe in a signal handler.
  static void Toggle() { toggles_.fetch_add(1, std::memory_order_relaxed); }

 private:
  void Run();
  bool On() const;
  void Report(uint64_t sent, std::chrono::steady_clock::time_point since);

  sim::SimDevice& device_;
  std::mutex& lock_;
  std::string interfaceName_;
  Fd socket_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  static inline std::atomic<unsigned> toggles_{0};
};

}  // namespace kfw::devsim
