#pragma once
// The value QueryValue hands back, and that value as text.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace modreg {

// Selects the shape QueryValue hands back: 0 text, 1 bytes, 2 number,
// anything else by stored type.
using ResultKind = std::int32_t;

// The caller-owned tagged value: empty, text, bytes or a number.
using RegValue = std::variant<std::monostate, std::wstring, std::vector<std::uint8_t>, double>;

// A value as text: empty text when empty; text as it is; a number in the
// shortest decimal form; bytes read as UTF-16 code units, two at a time.
// The lookups only ever ask for text.
[[nodiscard]] std::wstring ToText(const RegValue& value);

}  // namespace modreg
