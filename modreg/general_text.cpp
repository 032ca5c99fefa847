#include "modreg/general_text.h"

#include <bit>
#include <cstdint>

#include "platform/decimal.h"

namespace modreg {
namespace {

constexpr std::uint32_t kLimbBase = 1000000000;
// 2^53 * 5^1074, the longest exact decimal a double has, fits in 86 limbs.
constexpr int kLimbs = 96;

// An unsigned integer in base 10^9, least significant limb first.
struct BigDecimal {
  std::uint32_t limbs[kLimbs] = {};
  int size = 0;

  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < size || carry != 0; ++i) {
      const std::uint64_t product = (i < size ? std::uint64_t{limbs[i]} * factor : 0) + carry;
      limbs[i] = static_cast<std::uint32_t>(product % kLimbBase);
      carry = product / kLimbBase;
      if (i >= size) size = i + 1;
    }
  }

  // Times base^count, in factors that keep each step within 64 bits.
  void MultiplyByPower(std::uint32_t base, int count) {
    std::uint32_t factor = 1;
    for (; count > 0; --count) {
      if (factor > kLimbBase / base) {
        Multiply(factor);
        factor = 1;
      }
      factor *= base;
    }
    Multiply(factor);
  }
};

}  // namespace

std::wstring GeneralText(double value, int precision) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  std::wstring text = (bits >> 63) != 0 ? L"-" : L"";
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return text + (mantissa != 0 ? L"NAN" : L"INF");
  if (mantissa == 0 && biased == 0) return text + L"0";
  int binaryExponent = -1074;
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    binaryExponent = biased - 1075;
  }

  // |value| = mantissa * 2^e exactly; for e < 0 that is mantissa * 5^-e / 10^-e.
  BigDecimal exact;
  exact.limbs[0] = static_cast<std::uint32_t>(mantissa % kLimbBase);
  exact.limbs[1] = static_cast<std::uint32_t>(mantissa / kLimbBase % kLimbBase);
  exact.limbs[2] = static_cast<std::uint32_t>(mantissa / kLimbBase / kLimbBase);
  exact.size = 3;
  exact.MultiplyByPower(binaryExponent >= 0 ? 2 : 5,
                        binaryExponent >= 0 ? binaryExponent : -binaryExponent);

  // The decimal digits, most significant first, without leading zeros.
  char digits[kLimbs * 9];
  int count = 0;
  for (int i = exact.size; i-- > 0;) {
    for (std::uint32_t unit = kLimbBase / 10; unit != 0; unit /= 10) {
      const char digit = static_cast<char>('0' + exact.limbs[i] / unit % 10);
      if (count != 0 || digit != '0') digits[count++] = digit;
    }
  }
  // |value| = d.ddd * 10^exponent.
  int exponent = count - 1 - (binaryExponent < 0 ? -binaryExponent : 0);

  // Rounded to `precision` significant digits, halves to even.
  if (count > precision) {
    const char next = digits[precision];
    bool up = next > '5' || (next == '5' && (digits[precision - 1] - '0') % 2 != 0);
    for (int i = precision + 1; next == '5' && !up && i < count; ++i) up = digits[i] != '0';
    count = precision;
    if (up) {
      int i = count;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits[0] = '1';  // 9.99... became 10.0...
        ++exponent;
      } else {
        ++digits[i - 1];
      }
    }
  }
  // %G drops the zeros a fraction ends with.
  while (count > 1 && digits[count - 1] == '0') --count;

  const auto put = [&text, &digits](int from, int to) {
    for (int i = from; i < to; ++i) text += static_cast<wchar_t>(digits[i]);
  };
  if (exponent < -4 || exponent >= precision) {
    put(0, 1);
    if (count > 1) {
      text += L'.';
      put(1, count);
    }
    text += exponent < 0 ? L"E-" : L"E+";
    platform::AppendDecimal(text, exponent < 0 ? -exponent : exponent, 2);
  } else if (exponent < 0) {
    text += L"0.";
    text.append(static_cast<std::size_t>(-exponent - 1), L'0');
    put(0, count);
  } else if (count <= exponent + 1) {
    put(0, count);
    text.append(static_cast<std::size_t>(exponent + 1 - count), L'0');
  } else {
    put(0, exponent + 1);
    text += L'.';
    put(exponent + 1, count);
  }
  return text;
}

}  // namespace modreg
