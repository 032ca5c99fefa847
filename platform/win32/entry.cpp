// The program's entry: harden the DLL search, start Module1, run the window's
// message loop until the window is closed.
#include <windows.h>

#include "app/module1.h"
#include "app/retry_interval.h"
#include "app/form1.h"
#include "modreg/modreg.h"
#include "platform/win32/dialogs.h"
#include "platform/win32/fatal.h"
#include "platform/win32/files.h"
#include "platform/win32/hardening.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"
#include "platform/win32/resources.h"
#include "platform/win32/window.h"

namespace {

int Run(HINSTANCE instance) {
  platform::win32::Win32MainWindow window(
      instance, {app::kWindowCaption, app::kButtonCaption, /*iconId=*/1});
  platform::win32::Win32Dialogs dialogs(instance, window);
  platform::win32::Win32Registry registry;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Resources resources;
  platform::win32::Win32Process process;
  modreg::ModReg modReg(registry, dialogs, process);
  app::Module1 module1({registry, files, resources, dialogs, window, process}, modReg,
                       app::kRetryIntervalMs);
  module1.Main();
  return window.RunUntilClosed();
}

}  // namespace

// An exception nobody caught ends in the same report as any other fatal
// error, not in libstdc++'s console message (a GUI program has no console);
// replacing the handler also keeps its demangler out of the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() { platform::win32::ReportFatalAndExit(nullptr); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::HardenDllSearch();
  try {
    return Run(instance);
  } catch (...) {
    // Start-up has no trap of its own: the standard report, then the end.
    platform::win32::ReportFatalAndExit(nullptr);
  }
}
