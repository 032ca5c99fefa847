#include "platform/win32/system_module.h"

#include <string>

namespace platform::win32 {

UniqueModule LoadFromSystemFolder(const wchar_t* name) {
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    if (length != 0 || GetLastError() == 0) SetLastError(ERROR_PATH_NOT_FOUND);
    return UniqueModule();
  }
  return UniqueModule(
      LoadLibraryExW((std::wstring(system, length) + L"\\" + name).c_str(), nullptr, 0));
}

}  // namespace platform::win32
