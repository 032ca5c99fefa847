#pragma once
// Reading one value of the key a path names: a size query, a read into a
// buffer of that size, the three forms, and the key closed again on every
// way out.
#include <cstdint>
#include <string>

#include "modreg/key_walk.h"
#include "modreg/reg_value.h"

namespace modreg {

// 0, or -1 with the reason in the walk's error record.  `valueName` is
// written back as it went out in 8-bit text; `result` is changed only when
// the value holds data.
std::int32_t QueryValue(KeyWalk& keys, const std::wstring& keyPath, std::wstring& valueName,
                        RegValue& result, const ResultKind& resultKind);

}  // namespace modreg
