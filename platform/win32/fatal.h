#pragma once
// The standard report of an error nothing else handled: a critical box, then
// the program ends.  Used at the edges where Windows calls back into us, so
// no exception ever unwinds through a window or dialog procedure.
#include <windows.h>

namespace platform::win32 {

[[noreturn]] void ReportFatalAndExit(HWND owner) noexcept;
// From now on the report shows no box: a run with nobody at the screen ends
// with the exit code alone.
void QuietFatalReports() noexcept;

}  // namespace platform::win32
