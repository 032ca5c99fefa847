#pragma once
// Local wall-clock time for the log, a plain wait for the run that has no
// window (and so no timer) to wait with, and a steady count for measuring.
#include <cstdint>

namespace platform {

struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual LocalTime Now() = 0;
  // Blocks the calling thread; nothing else runs meanwhile.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Microseconds from an arbitrary start, never going back: for durations.
  [[nodiscard]] virtual std::uint64_t Microseconds() = 0;
  // The same count in milliseconds, for the log's step times.
  [[nodiscard]] std::uint64_t Milliseconds() { return Microseconds() / 1000; }
};

}  // namespace platform
