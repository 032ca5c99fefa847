#include "platform/win32/hardening.h"

#include "platform/win32/system_module.h"

namespace platform::win32 {

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

}  // namespace

Win32Status RestrictDllSearchToSystem32(HMODULE kernel) noexcept {
  if (kernel == nullptr) return ERROR_MOD_NOT_FOUND;
  // Looked up at run time: a static import of it would stop the exe from
  // loading at all on a Windows 7 that lacks the update.
  SetDefaultDllDirectoriesFn set_default = nullptr;
  if (!Bind(kernel, "SetDefaultDllDirectories", &set_default)) return GetLastError();
  if (!set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) return GetLastError();
  return ERROR_SUCCESS;
}

void HardenDllSearch() noexcept {
  if (RestrictDllSearchToSystem32(GetModuleHandleW(L"kernel32.dll")) != ERROR_SUCCESS) {
    // An empty DLL directory removes the current folder from the search order.
    SetDllDirectoryW(L"");
  }
}

}  // namespace platform::win32
