#include "platform/decimal.h"

namespace platform {

void AppendDecimalDigits(std::wstring& out, std::uint64_t magnitude, bool negative,
                         std::size_t minDigits) {
  wchar_t digits[20];  // 18446744073709551615
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) out += L'-';
  if (minDigits > count) out.append(minDigits - count, L'0');
  while (count > 0) out += digits[--count];
}

}  // namespace platform
