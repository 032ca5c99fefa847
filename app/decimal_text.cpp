#include "app/decimal_text.h"

#include <limits>

#include "platform/decimal.h"

namespace app {

std::wstring Quotient(std::uint64_t numerator, std::uint64_t denominator, unsigned decimals) {
  if (denominator == 0) return {};
  // Long division, a digit at a time: the remainder stays below the
  // denominator, kept small enough that ten times it still fits.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  while (denominator > kMax / 10) {
    numerator >>= 1;
    denominator >>= 1;
  }
  std::uint64_t whole = numerator / denominator;
  std::uint64_t rest = numerator % denominator;
  std::wstring digits;
  for (unsigned i = 0; i < decimals; ++i) {
    rest *= 10;
    digits += static_cast<wchar_t>(L'0' + rest / denominator);
    rest %= denominator;
  }
  // Half up (rest * 2 >= denominator), carrying through the nines.  A carry
  // into `whole` needs a denominator over 1, so `whole` is below kMax.
  if (rest >= denominator - rest) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == L'9') digits[--i] = L'0';
    if (i > 0) {
      ++digits[i - 1];
    } else {
      ++whole;
    }
  }
  std::wstring text = platform::Decimal(whole);
  if (decimals > 0) text += L'.' + digits;
  return text;
}

std::wstring Seconds(std::uint64_t milliseconds) { return Quotient(milliseconds, 1000, 2) + L" s"; }

std::wstring Rate(std::uint64_t bytes, std::uint64_t milliseconds) {
  if (milliseconds == 0) return {};
  // bytes / 10^6 per milliseconds / 1000 s
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::wstring megabytes = milliseconds <= kMax / 1000
                                     ? Quotient(bytes, milliseconds * 1000, 1)
                                     : Quotient(bytes / 1000, milliseconds, 1);
  return megabytes + L" MB/s";
}

}  // namespace app
