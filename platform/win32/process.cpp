#include "platform/win32/process.h"

#include <windows.h>

namespace platform::win32 {

void Win32Process::EndNow() {
  // At once: no WM_DESTROY, no further timer or click is dispatched.
  ExitProcess(0);
}

void Win32Process::EndWith(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

void Win32Process::ResetMousePointer() {
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace platform::win32
