// The clock and the system's error texts on the real API.
#include <gtest/gtest.h>

#include <cwctype>

#include "platform/win32/clock.h"
#include "platform/win32/error_messages.h"

namespace platform::testing {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

TEST(Win32ErrorMessages, GiveOneLineOfTheSystemsOwnText) {
  win32::Win32ErrorMessages messages;
  for (Win32Status status : {kErrorSharingViolation, kErrorAccessDenied, kErrorPathNotFound}) {
    const std::wstring text = messages.Text(status);
    EXPECT_FALSE(text.empty()) << status;
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << status;
    EXPECT_NE(text.back(), L' ') << status;
  }
  EXPECT_NE(Lower(messages.Text(kErrorSharingViolation)).find(L"sharing"), std::wstring::npos);
  EXPECT_EQ(messages.Text(0x2000FFFFu), L"");
}

TEST(Win32Clock, TellsTheDateAndSleepsAsLongAsAsked) {
  win32::Win32Clock clock;
  const LocalTime before = clock.Now();
  const std::uint64_t steadyBefore = clock.Microseconds();
  EXPECT_GE(before.year, 2024);
  EXPECT_TRUE(before.month >= 1 && before.month <= 12);
  const auto ms = [](const LocalTime& t) {
    return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  };
  const std::uint64_t start = clock.Milliseconds();
  clock.Sleep(120);
  // Microseconds, not counter ticks: generous bounds, no timing.
  const std::uint64_t steady = clock.Microseconds() - steadyBefore;
  EXPECT_GE(steady, 100'000u);
  EXPECT_LT(steady, 10'000'000u);
  EXPECT_GE(clock.Milliseconds() - start, 100u);
  const int elapsed = ms(clock.Now()) - ms(before);
  // Across midnight the difference is meaningless; the day rarely turns here.
  if (elapsed >= 0) {
    EXPECT_GE(elapsed, 100);
  }
}

}  // namespace
}  // namespace platform::testing
