#include "modreg/general_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "platform/decimal.h"

namespace modreg {
namespace {

// An unsigned integer in base 10^9, least significant limb first: large
// enough for any double's exact decimal digits (at most 767 of them).
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t value) {
    do {
      limbs_[size_++] = static_cast<std::uint32_t>(value % kBase);
      value /= kBase;
    } while (value != 0);
  }

  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < size_; ++i) {
      const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
      limbs_[i] = static_cast<std::uint32_t>(product % kBase);
      carry = product / kBase;
    }
    while (carry != 0) {
      limbs_[size_++] = static_cast<std::uint32_t>(carry % kBase);
      carry /= kBase;
    }
  }

  // Times base^count, split into factors that keep each step within 64 bits.
  void MultiplyByPower(std::uint32_t base, std::uint32_t chunkFactor, int chunk, int count) {
    for (; count >= chunk; count -= chunk) Multiply(chunkFactor);
    std::uint32_t rest = 1;
    while (count-- > 0) rest *= base;
    Multiply(rest);
  }

  [[nodiscard]] std::string Digits() const {
    std::string digits;
    for (int i = size_; i-- > 0;) {
      std::uint32_t limb = limbs_[i];
      char group[9];
      for (int k = 9; k-- > 0; limb /= 10) group[k] = static_cast<char>('0' + limb % 10);
      digits.append(group, 9);
    }
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
  }

 private:
  static constexpr std::uint32_t kBase = 1000000000;
  std::uint32_t limbs_[96] = {};
  int size_ = 0;
};

}  // namespace

std::wstring GeneralText(double value, int precision) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const std::wstring sign = (bits >> 63) != 0 ? L"-" : L"";
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return sign + (mantissa != 0 ? L"NAN" : L"INF");
  if (value == 0) return sign + L"0";
  int binaryExponent = -1074;
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    binaryExponent = biased - 1075;
  }

  // |value| = mantissa * 2^e exactly; for e < 0 that is mantissa * 5^-e / 10^-e.
  BigDecimal exact(mantissa);
  int fractionDigits = 0;
  if (binaryExponent >= 0) {
    exact.MultiplyByPower(2, 1u << 29, 29, binaryExponent);
  } else {
    exact.MultiplyByPower(5, 1220703125u, 13, -binaryExponent);  // 5^13
    fractionDigits = -binaryExponent;
  }
  std::string digits = exact.Digits();
  // |value| = 0.<digits> * 10^(point); the leading digit's exponent is point - 1.
  int exponent = static_cast<int>(digits.size()) - fractionDigits - 1;

  // Round to `precision` significant digits, halves to even.
  const auto kept = static_cast<std::size_t>(precision);
  if (digits.size() > kept) {
    const char next = digits[kept];
    const bool restNonZero = digits.find_first_not_of('0', kept + 1) != std::string::npos;
    const bool odd = (digits[kept - 1] - '0') % 2 != 0;
    digits.resize(kept);
    if (next > '5' || (next == '5' && (restNonZero || odd))) {
      std::size_t i = kept;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exponent;
      } else {
        ++digits[i - 1];
      }
    }
  }
  // %G drops the zeros a fraction ends with.
  digits.erase(digits.find_last_not_of('0') + 1);

  std::wstring text = sign;
  if (exponent < -4 || exponent >= precision) {
    text += static_cast<wchar_t>(digits[0]);
    if (digits.size() > 1) {
      text += L'.';
      text.append(digits.begin() + 1, digits.end());
    }
    text += exponent < 0 ? L"E-" : L"E+";
    text += platform::Decimal(exponent < 0 ? -exponent : exponent, 2);
  } else if (exponent < 0) {
    text += L"0.";
    text.append(static_cast<std::size_t>(-exponent - 1), L'0');
    text.append(digits.begin(), digits.end());
  } else {
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      text.append(digits.begin(), digits.end());
      text.append(whole - digits.size(), L'0');
    } else {
      text.append(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(whole));
      text += L'.';
      text.append(digits.begin() + static_cast<std::ptrdiff_t>(whole), digits.end());
    }
  }
  return text;
}

}  // namespace modreg
