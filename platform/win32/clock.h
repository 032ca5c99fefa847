#pragma once
#include "platform/clock.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
 public:
  [[nodiscard]] LocalTime Now() override;
  [[nodiscard]] std::uint64_t Milliseconds() override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace platform::win32
