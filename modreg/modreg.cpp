#include "modreg/modreg.h"

#include "modreg/lookups.h"
#include "modreg/query_value.h"

namespace modreg {

void ModReg::ClearRegError() { modreg::ClearRegError(RegErrorRecord); }

void ModReg::SetRegErrorCode(const std::int32_t& code) {
  modreg::SetRegErrorCode(RegErrorRecord, code);
}

void ModReg::SetRegErrorWin32(const std::int32_t& status) {
  modreg::SetRegErrorWin32(RegErrorRecord, status);
}

void ModReg::ShowError(const RuntimeError& current, const std::wstring& prefix) {
  modreg::ShowError(dialogs_, process_, current, prefix);
}

std::int32_t ModReg::OpenKeyPath(const std::wstring& path, bool createMissing,
                                 std::int32_t samDesired) {
  return keys_.OpenKeyPath(path, createMissing, samDesired);
}

std::int32_t ModReg::CreateSubKey(const std::wstring& parentPath, const std::wstring& subKeyName) {
  return keys_.CreateSubKey(parentPath, subKeyName);
}

std::int32_t ModReg::CloseKey(const std::int32_t& handle) { return keys_.CloseKey(handle); }

std::int32_t ModReg::QueryValue(const std::wstring& keyPath, std::wstring& valueName,
                                RegValue& result, const ResultKind& resultKind) {
  return modreg::QueryValue(keys_, keyPath, valueName, result, resultKind);
}

std::wstring ModReg::RetrieveProgramFilesPath() { return modreg::RetrieveProgramFilesPath(*this); }

std::wstring ModReg::RetrieveProgramFilesVeltoPath() {
  return modreg::RetrieveProgramFilesVeltoPath(*this);
}

}  // namespace modreg
