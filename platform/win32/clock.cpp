#include "platform/win32/clock.h"

#include <windows.h>

namespace platform::win32 {

LocalTime Win32Clock::Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::uint64_t Win32Clock::Milliseconds() {
  // The performance counter, not GetTickCount64: its 10-16 ms steps would
  // swallow a fast disk's flush.  Both calls succeed on XP and later.
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
  const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
  // Split, so that ticks * 1000 cannot overflow.
  return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform::win32
