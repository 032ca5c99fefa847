#pragma once
// Elapsed wall time from the performance counter.
#include <windows.h>

namespace bench {

class Stopwatch {
 public:
  Stopwatch() noexcept {
    ::QueryPerformanceFrequency(&frequency_);
    ::QueryPerformanceCounter(&start_);
  }
  [[nodiscard]] double Milliseconds() const noexcept {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

}  // namespace bench
