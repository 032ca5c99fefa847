#pragma once
// The module-wide record of the last registry failure, and the report box
// shown for a runtime error that a lookup trapped.
#include <cstdint>
#include <string>

#include "modreg/runtime_error.h"
#include "platform/dialogs.h"
#include "platform/process.h"

namespace modreg {

struct RegErrorRecordT {
  std::int32_t Number = 0;
  std::wstring Source;
  std::wstring Description;
};

void ClearRegError(RegErrorRecordT& record);
// One of the module's own codes (100, 200, 300) with its description.
void SetRegErrorCode(RegErrorRecordT& record, std::int32_t code);
// A registry status as it came, with its description.
void SetRegErrorWin32(RegErrorRecordT& record, std::int32_t status);

// Reports the error being handled: critical icon, OK, empty title, then the
// mouse pointer back to normal.  The record is left alone.
void ShowError(platform::Dialogs& dialogs, platform::Process& process,
               const RuntimeError& current, const std::wstring& prefix);

}  // namespace modreg
