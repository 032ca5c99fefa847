#pragma once
// A clock that stands still until the program sleeps or a test moves it on;
// each sleep is recorded.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"

namespace platform::doubles {

class FakeClock final : public Clock {
 public:
  [[nodiscard]] LocalTime Now() override { return now; }
  void Sleep(std::uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    if (onSleep) onSleep();
    Advance(milliseconds);
  }
  // Time passing while the program works, e.g. inside a slow file call.
  void Advance(std::uint32_t milliseconds) {
    micros += std::uint64_t{milliseconds} * 1000u;
    const std::uint64_t ms = now.millisecond + std::uint64_t{milliseconds};
    const std::uint64_t seconds = now.second + ms / 1000;
    const std::uint64_t minutes = now.minute + seconds / 60;
    now.millisecond = static_cast<int>(ms % 1000);
    now.second = static_cast<int>(seconds % 60);
    now.minute = static_cast<int>(minutes % 60);
    now.hour += static_cast<int>(minutes / 60);  // tests stay within a day
  }

  [[nodiscard]] std::uint64_t Microseconds() override { return micros; }

  LocalTime now{2026, 3, 9, 8, 5, 7, 42};
  // Microseconds(); not 0, as a real clock's is not.
  std::uint64_t micros = 1'000'000'000;
  std::vector<std::uint32_t> sleeps;
  // Runs during each sleep: the world may change while the program waits.
  std::function<void()> onSleep;
};

}  // namespace platform::doubles
