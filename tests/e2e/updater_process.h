#pragma once
// The updater started as a person would start it, watched from outside.
// If a scenario fails half-way, the process it started is ended with it; if
// the driver itself is killed (a test timeout), its job takes the updater along.
#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/win32/owners.h"
#include "ui.h"

namespace e2e {

class UpdaterProcess {
 public:
  // Starts `exe` with `workDir` as its current folder and `arguments` after
  // its quoted name on the command line.
  UpdaterProcess(const std::wstring& exe, const std::wstring& workDir,
                 const std::wstring& arguments = L"");
  ~UpdaterProcess();
  UpdaterProcess(const UpdaterProcess&) = delete;
  UpdaterProcess& operator=(const UpdaterProcess&) = delete;

  [[nodiscard]] DWORD Pid() const { return pid_; }
  [[nodiscard]] bool Running() const;
  // Waits for the end; the exit code, or nothing if still running.
  std::optional<DWORD> WaitForExit(milliseconds timeout) const;

  // The main window "Lumarso 2015" once it shows; fails the scenario otherwise.
  MainWindowView WaitForMainWindow(milliseconds timeout) const;
  MessageBoxView WaitForMessageBox(milliseconds timeout) const;
  InputBoxView WaitForInputBox(milliseconds timeout) const;
  // Waits until neither a message box nor the prompt is open.
  void WaitForNoDialog(milliseconds timeout) const;

 private:
  test_support::UniqueKernelHandle job_;  // closed last: it ends whatever is left
  test_support::UniqueKernelHandle process_;
  DWORD pid_ = 0;
};

}  // namespace e2e
