#pragma once
// The three shapes of a registry value's data: text, bytes and a number.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "modreg/reg_value.h"

namespace modreg {

struct ValueForms {
  std::wstring text;
  std::vector<std::uint8_t> bytes;
  double number = 0;
};

// `buffer` is what the read left in the space-filled buffer (the size query's
// N bytes); `written` (1 to N) is how many bytes the read reported.  An
// odd-sized REG_DWORD throws error 5 where the pairing runs off its data, and
// a number beyond double precision throws error 6; nothing outside `buffer`
// is ever read.
[[nodiscard]] ValueForms ConvertValue(std::uint32_t type, std::span<const std::uint8_t> buffer,
                                      std::size_t written);

// The form `kind` asks for: 0 text, 1 bytes, 2 number, any other by type.
[[nodiscard]] RegValue SelectForm(ValueForms forms, ResultKind kind, std::uint32_t type);

}  // namespace modreg
