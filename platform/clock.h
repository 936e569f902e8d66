#pragma once
// Monotonic time and sleeping, injectable so that waits can be tested
// without real time passing.

#include <chrono>

namespace kfw::platform {

using SteadyTime = std::chrono::steady_clock::time_point;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual SteadyTime Now() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class SystemClock final : public Clock {
 public:
  SteadyTime Now() override { return std::chrono::steady_clock::now(); }
  void Sleep(std::chrono::milliseconds duration) override;
};

// Virtual time: Sleep only moves the clock forward.
class FakeClock final : public Clock {
 public:
  SteadyTime Now() override { return now_; }
  void Sleep(std::chrono::milliseconds duration) override { now_ += duration; }
  void Advance(std::chrono::steady_clock::duration d) { now_ += d; }
  void AdvanceTo(SteadyTime t) {
    if (t > now_) now_ = t;
  }

 private:
  SteadyTime now_{};
};

}  // namespace kfw::platform
