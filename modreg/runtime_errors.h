#pragma once
// The runtime errors the module raises.  They carry no line number and the
// program's name as their source, so a lookup's trap reports them like any
// other runtime error of the program.
#include "modreg/runtime_error.h"

namespace modreg {

inline constexpr wchar_t kRuntimeErrorSource[] = L"Lumarso2015";

// Error 5: a character asked for outside the data buffer.
[[nodiscard]] inline RuntimeError InvalidProcedureCall() {
  return RuntimeError(5, L"invalid procedure call or argument", kRuntimeErrorSource);
}

// Error 6: a 16-bit counter or a double-precision result out of range.
[[nodiscard]] inline RuntimeError Overflow() {
  return RuntimeError(6, L"overflow", kRuntimeErrorSource);
}

}  // namespace modreg
