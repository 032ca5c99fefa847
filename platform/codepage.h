#pragma once
// Conversion between the program's wide text and the system's 8-bit code
// page, as the A functions of the registry do it.
#include <string>
#include <cstdint>
#include <string_view>

namespace platform {

[[nodiscard]] std::string ToAnsi(std::wstring_view text);
[[nodiscard]] std::wstring FromAnsi(std::string_view text);

}  // namespace platform
