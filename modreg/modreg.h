#pragma once
// The registry access module as its callers see it: key paths as one
// backslash text (key_walk.h), a reader of values in three shapes
// (query_value.h), a module-wide record of the last failure and the standard
// error report box (error_record.h), and the two install-path lookups
// (lookups.h).  This class holds the record and the services and hands each
// call to its part.
#include <cstdint>
#include <string>

#include "modreg/error_record.h"
#include "modreg/key_walk.h"
#include "modreg/reg_value.h"
#include "modreg/runtime_error.h"
#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace modreg {

class ModReg {
 public:
  ModReg(platform::Registry& registry, platform::Dialogs& dialogs, platform::Process& process)
      : keys_(registry, RegErrorRecord), dialogs_(dialogs), process_(process) {}
  // The walk keeps a reference to this object's record.
  ModReg(const ModReg&) = delete;
  ModReg& operator=(const ModReg&) = delete;

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
  KeyWalk keys_;
  platform::Dialogs& dialogs_;
  platform::Process& process_;
};

}  // namespace modreg
