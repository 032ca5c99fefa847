#pragma once
// The registry access module: key paths as one backslash text, a reader of
// values in three shapes, a module-wide record of the last failure, and the
// standard error report box.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "modreg/runtime_error.h"
#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace modreg {

struct RegErrorRecordT {
  std::int32_t Number = 0;
  std::wstring Source;
  std::wstring Description;
};

// Selects the shape QueryValue hands back: 0 text, 1 bytes, 2 number,
// anything else by stored type.
using ResultKind = std::int32_t;

// The caller-owned tagged value: empty, text, bytes or a number.
using RegValue = std::variant<std::monostate, std::wstring, std::vector<std::uint8_t>, double>;

// A value as text: empty text when empty; text as it is; a number in the
// shortest decimal form; bytes read as UTF-16 code units, two at a time.
// The lookups only ever ask for text.
[[nodiscard]] std::wstring ToText(const RegValue& value);

class ModReg {
 public:
  ModReg(platform::Registry& registry, platform::Dialogs& dialogs, platform::Process& process)
      : registry_(registry), dialogs_(dialogs), process_(process) {}

  RegErrorRecordT RegErrorRecord;

  void ClearRegError();
  void SetRegErrorCode(const std::int32_t& code);
  void SetRegErrorWin32(const std::int32_t& status);
  // Reports the error being handled: critical icon, OK, empty title.
  void ShowError(const RuntimeError& current, const std::wstring& prefix = L"");

  // Key handles are carried as signed 32-bit values; -1 is "no handle".
  std::int32_t OpenKeyPath(const std::wstring& path, bool createMissing, std::int32_t samDesired);
  std::int32_t CreateSubKey(const std::wstring& parentPath, const std::wstring& subKeyName);
  std::int32_t CloseKey(const std::int32_t& handle);
  std::int32_t QueryValue(const std::wstring& keyPath, std::wstring& valueName, RegValue& result,
                          const ResultKind& resultKind);

  std::wstring RetrieveProgramFilesPath();
  std::wstring RetrieveProgramFilesVeltoPath();

 private:
  // CreateSubKey with the name already in 8-bit text (null for no name).
  std::int32_t CreateSubKeyNamed(const std::wstring& parentPath, const char* subKeyName);

  platform::Registry& registry_;
  platform::Dialogs& dialogs_;
  platform::Process& process_;
};

}  // namespace modreg
