#pragma once
// A double as printf's "%.<precision>G" writes it (as MinGW's and glibc's
// formatters do: correctly rounded, ties to even, two exponent digits at
// least), without the C runtime's formatter in the exe.
#include <string>

namespace modreg {

// precision: significant digits, 1 to 17.
[[nodiscard]] std::wstring GeneralText(double value, int precision);

}  // namespace modreg
