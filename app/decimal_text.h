#pragma once
// Times and rates for the log with a fixed number of decimals, worked out in
// integers: the updater does without the C runtime's floating-point
// formatting.
#include <cstdint>
#include <string>

namespace app {

// `numerator` / `denominator` rounded half up to `decimals` places ("2.31");
// empty when `denominator` is 0.
[[nodiscard]] std::wstring Quotient(std::uint64_t numerator, std::uint64_t denominator,
                                   unsigned decimals);
// "2.31 s".
[[nodiscard]] std::wstring Seconds(std::uint64_t milliseconds);
// "90.2 MB/s", MB being 10^6 bytes; empty when no time passed.
[[nodiscard]] std::wstring Rate(std::uint64_t bytes, std::uint64_t milliseconds);

}  // namespace app
