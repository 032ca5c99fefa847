#include "platform/win32/clock.h"

#include <windows.h>

namespace platform::win32 {

LocalTime Win32Clock::Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t Win32Clock::Microseconds() {
  // The performance counter, not GetTickCount64: its 10-16 ms steps would
  // swallow a fast disk's flush.  Both calls succeed on XP and later.
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  const auto c = static_cast<std::uint64_t>(count.QuadPart);
  const auto f = static_cast<std::uint64_t>(frequency.QuadPart);
  // In two parts: count times a million would overflow after a few days.
  return c / f * 1000000u + c % f * 1000000u / f;
}

}  // namespace platform::win32
