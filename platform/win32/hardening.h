#pragma once
#include <windows.h>

#include "platform/status.h"

namespace platform::win32 {

// Limits where the process looks for DLLs it loads from now on (delay-loaded
// ones, and those the system itself pulls in later, such as themes and IMEs)
// to System32, so a DLL planted next to the downloaded exe or in the current
// folder is never picked up.  Static imports are loaded before this can run;
// they are all KnownDLLs or redirected by the manifest.  Call it first thing.
// Windows 7 without KB2533623 lacks the call: the exe still starts, with the
// current folder at least taken out of the search.
void HardenDllSearch() noexcept;

// The step itself, on the module expected to export SetDefaultDllDirectories
// (kernel32).  Returns 0 when the search is restricted, otherwise the raw
// status of the step that failed (127 when the module lacks the export).
[[nodiscard]] Win32Status RestrictDllSearchToSystem32(HMODULE kernel) noexcept;

}  // namespace platform::win32
