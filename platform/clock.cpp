#include "platform/clock.h"

#include <thread>

namespace kfw::platform {

void SystemClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace kfw::platform
