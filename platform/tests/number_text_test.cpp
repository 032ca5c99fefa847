// The exe's own integer formatting and its random source, in both builds
// (under Wine, the random numbers come from RtlGenRandom).
#include <climits>
#include <cstdint>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/decimal.h"
#include "platform/system_random.h"

namespace platform {
namespace {

TEST(Decimal, WritesWhatToWstringWrites) {
  EXPECT_EQ(Decimal(0), L"0");
  EXPECT_EQ(Decimal(7u), L"7");
  EXPECT_EQ(Decimal(-1), L"-1");
  EXPECT_EQ(Decimal(1602), L"1602");
  EXPECT_EQ(Decimal(std::uint32_t{4294967295u}), L"4294967295");
  EXPECT_EQ(Decimal(INT_MIN), L"-2147483648");
  EXPECT_EQ(Decimal(LLONG_MIN), L"-9223372036854775808");
  EXPECT_EQ(Decimal(ULLONG_MAX), L"18446744073709551615");
  EXPECT_EQ(Decimal(static_cast<unsigned char>(200)), L"200");
}

TEST(Decimal, PadsWithZerosToTheWidthAndNeverCuts) {
  EXPECT_EQ(Decimal(7, 3), L"007");
  EXPECT_EQ(Decimal(0, 2), L"00");
  EXPECT_EQ(Decimal(2015, 4), L"2015");
  EXPECT_EQ(Decimal(12345, 2), L"12345");
  EXPECT_EQ(Decimal(-5, 3), L"-005");
}

TEST(SystemRandom, DiffersFromCallToCall) {
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 8; ++i) seen.insert(SystemRandom32());
  // Eight equal 32-bit draws from a working generator: about never.
  EXPECT_GE(seen.size(), 7u);
}

}  // namespace
}  // namespace platform
