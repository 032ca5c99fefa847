// RtlGenRandom (advapi32's SystemFunction036): the generator CryptGenRandom
// uses, with no provider or algorithm handle to open.
#include <windows.h>
// After windows.h, which it needs.
#include <ntsecapi.h>

#include "platform/system_random.h"

namespace platform {

std::uint32_t SystemRandom32() noexcept {
  std::uint32_t value = 0;
  if (RtlGenRandom(&value, sizeof value)) return value;
  // Never seen to fail; the performance counter still differs between runs.
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint32_t>(counter.QuadPart) ^ GetCurrentProcessId();
}

}  // namespace platform
