#pragma once
// Integers as decimal text, the digits std::to_wstring would give, written
// here so the exe carries no C runtime formatter (libstdc++'s to_wstring goes
// through vswprintf).  Use these for every number the program shows or logs.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace platform {

// One out-of-line writer for every integer type, so each call site stays a call.
void AppendDecimalDigits(std::wstring& out, std::uint64_t magnitude, bool negative,
                         std::size_t minDigits);

// At least `minDigits` digits, zeros in front ("007" for 7 and 3); a minus
// sign before them for a negative value.
template <std::integral T>
  requires(!std::same_as<T, bool>)
void AppendDecimal(std::wstring& out, T value, std::size_t minDigits = 1) {
  using Unsigned = std::make_unsigned_t<T>;
  auto magnitude = static_cast<Unsigned>(value);
  bool negative = false;
  if constexpr (std::is_signed_v<T>) {
    // Negated as unsigned, so the most negative value needs no special case.
    negative = value < 0;
    if (negative) magnitude = static_cast<Unsigned>(Unsigned{0} - magnitude);
  }
  AppendDecimalDigits(out, magnitude, negative, minDigits);
}

template <std::integral T>
  requires(!std::same_as<T, bool>)
[[nodiscard]] std::wstring Decimal(T value, std::size_t minDigits = 1) {
  std::wstring text;
  AppendDecimal(text, value, minDigits);
  return text;
}

}  // namespace platform
