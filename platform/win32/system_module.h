#pragma once
// DLLs the exe loads when a run first needs them rather than importing them.
// Every import is loaded, with whatever its start-up does, by every run: under
// Wine comctl32's start-up alone brings up the display driver, and a silent
// run that imported it took 330 ms where it had taken 90.
#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

inline HMODULE NoModule() noexcept { return nullptr; }
using UniqueModule = UniqueHandle<HMODULE, ::FreeLibrary, NoModule>;

// `name` from the system folder, by its full path: nothing beside the exe (a
// Downloads folder) can stand in for it.  Null, with the last error set, when
// it cannot be loaded.
UniqueModule LoadFromSystemFolder(const wchar_t* name);

// `*fn` = the export `name` of `module`; false (last error set) when missing.
template <class Fn>
bool Bind(HMODULE module, const char* name, Fn* fn) noexcept {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *fn != nullptr;
}

}  // namespace platform::win32
