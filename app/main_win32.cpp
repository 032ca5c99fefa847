// The program's entry: harden the DLL search, read the command line, then
// run either the window (Module1 and its message loop) or the silent
// install.  This file wires the parts together; nothing includes it.
#include <windows.h>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/install_log.h"
#include "app/module1.h"
#include "app/progress_run.h"
#include "app/retry_interval.h"
#include "app/silent_run.h"
#include "app/startup.h"
#include "modreg/modreg.h"
#include "platform/win32/clock.h"
#include "platform/win32/dialogs.h"
#include "platform/win32/error_messages.h"
#include "platform/win32/fatal.h"
#include "platform/win32/files.h"
#include "platform/win32/hardening.h"
#include "platform/win32/log_file.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"
#include "platform/win32/resources.h"
#include "platform/win32/sha256.h"
#include "platform/win32/window.h"

namespace {

struct System {
  platform::win32::Win32Registry registry;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Resources resources;
  platform::win32::Win32Process process;
  platform::win32::Win32Clock clock;
  platform::win32::Win32ErrorMessages messages;
  platform::win32::Win32LogFile logFile;
  platform::win32::Win32Sha256 sha256;
  // The patch updater applies the delta it carries; the full one writes its archive.
#if defined(LUMARSO_PATCH_UPDATER)
  platform::Sha256* patchHash = &sha256;
  static constexpr wchar_t kExeName[] = L"Lumarso2015-patch.exe";
#else
  platform::Sha256* patchHash = nullptr;
  static constexpr wchar_t kExeName[] = L"Lumarso2015.exe";
#endif
};

int RunSilent(System& system, const app::CommandLine& commandLine, app::InstallLog& log) {
  platform::win32::QuietFatalReports();
  try {
    return app::RunSilent(
        {system.registry, system.files, system.resources, system.process, system.clock},
        {commandLine.hostFolder, commandLine.Retries(), app::kRetryIntervalMs, system.patchHash},
        log);
  } catch (...) {
    // No box with /S: the log and the exit code carry it.
    log.Line(L"result: exit code 1603, unexpected error");
    return app::kExitFatal;
  }
}

// /PASSIVE: the silent run on the worker, its progress in the window.
int RunWithProgress(System& system, const app::CommandLine& commandLine, app::InstallLog& log,
                    platform::win32::Win32MainWindow& window) {
  platform::win32::QuietFatalReports();
  app::ProgressRun run(
      {system.registry, system.files, system.resources, system.process, system.clock},
      {commandLine.hostFolder, commandLine.Retries(), app::kRetryIntervalMs, system.patchHash},
      log, window);
  run.Start();
  (void)window.RunUntilClosed();
  // The run's end ends the program inside the loop, with its exit code.
  return run.Closed();
}

int Run(HINSTANCE instance, const wchar_t* arguments) {
  const app::CommandLine commandLine = app::ParseCommandLine(arguments);
  System system;
  app::InstallLog log(system.logFile, system.clock, system.messages);
  // Neither makes a window until it is shown: the silent run never does.
  platform::win32::Win32MainWindow window(instance, /*iconId=*/1);
  platform::win32::Win32Dialogs dialogs(instance, window);
  if (const auto code = app::Prepare(commandLine, arguments, dialogs, log, System::kExeName)) return *code;
  if (commandLine.progressWindow) return RunWithProgress(system, commandLine, log, window);
  if (commandLine.silent) return RunSilent(system, commandLine, log);

  modreg::ModReg modReg(system.registry, dialogs, system.process);
  app::Module1 module1(
      {system.registry, system.files, system.resources, dialogs, window, system.process}, modReg,
      app::kRetryIntervalMs, {&log, commandLine.hostFolder, system.patchHash, &system.clock});
  module1.Main();
  (void)window.RunUntilClosed();
  // A written manual ends the program inside the loop, with 0.
  return module1.form1()->Closed();
}

}  // namespace

// An exception nobody caught ends in the same report as any other fatal
// error, not in libstdc++'s console message (a GUI program has no console);
// replacing the handler also keeps its demangler out of the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() { platform::win32::ReportFatalAndExit(nullptr); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
  platform::win32::HardenDllSearch();
  try {
    return Run(instance, arguments != nullptr ? arguments : L"");
  } catch (...) {
    // Start-up has no trap of its own: the standard report, then the end.
    platform::win32::ReportFatalAndExit(nullptr);
  }
}
