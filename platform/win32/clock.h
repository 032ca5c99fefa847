#pragma once
#include "platform/clock.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
 public:
  [[nodiscard]] LocalTime Now() override;
  void Sleep(std::uint32_t milliseconds) override;
  [[nodiscard]] std::uint64_t Microseconds() override;
};

}  // namespace platform::win32
