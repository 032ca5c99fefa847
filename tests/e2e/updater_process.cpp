#include "updater_process.h"

#include "harness.h"

namespace e2e {

UpdaterProcess::UpdaterProcess(const std::wstring& exe, const std::wstring& workDir,
                               const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL ok = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                 CREATE_SUSPENDED, nullptr,
                                 workDir.empty() ? nullptr : workDir.c_str(), &startup, &info);
  E2E_CHECK(ok, "cannot start " + Narrow(exe) + ": error " + std::to_string(GetLastError()));
  process_.reset(info.hProcess);
  const test_support::UniqueKernelHandle thread(info.hThread);
  pid_ = info.dwProcessId;
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job_) {
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    AssignProcessToJobObject(job_.get(), process_.get());
  }
  ResumeThread(thread.get());
  Log(L"started " + exe + (arguments.empty() ? L"" : L" " + arguments) + L" as process " +
      std::to_wstring(pid_));
}

UpdaterProcess::~UpdaterProcess() {
  if (Running()) {
    Log("the updater is still running at the end of the scenario: ending it");
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
  }
}

bool UpdaterProcess::Running() const {
  return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> UpdaterProcess::WaitForExit(milliseconds timeout) const {
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

MainWindowView UpdaterProcess::WaitForMainWindow(milliseconds timeout) const {
  std::optional<MainWindowView> found;
  WaitUntil([&] { return (found = FindMainWindow(Pid(), L"Lumarso 2015")).has_value() ||
                         !Running(); },
            timeout);
  E2E_CHECK(found.has_value(), "the window \"Lumarso 2015\" with its button did not show");
  return *found;
}

MessageBoxView UpdaterProcess::WaitForMessageBox(milliseconds timeout) const {
  std::optional<MessageBoxView> found;
  WaitUntil([&] { return (found = FindMessageBox(Pid())).has_value() || !Running(); }, timeout);
  E2E_CHECK(found.has_value(), Running() ? "no message box showed" : "the updater ended");
  Log("message box " + Quote(found->title) + ": " + Quote(found->text));
  return *found;
}

InputBoxView UpdaterProcess::WaitForInputBox(milliseconds timeout) const {
  std::optional<InputBoxView> found;
  WaitUntil([&] { return (found = FindInputBox(Pid())).has_value() || !Running(); }, timeout);
  E2E_CHECK(found.has_value(), Running() ? "the folder prompt did not show" : "the updater ended");
  Log("folder prompt " + Quote(found->title) + ", default text " + Quote(found->Text()));
  return *found;
}

void UpdaterProcess::WaitForNoDialog(milliseconds timeout) const {
  const bool gone = WaitUntil(
      [&] { return !FindMessageBox(Pid()).has_value() && !FindInputBox(Pid()).has_value(); },
      timeout);
  E2E_CHECK(gone, "a dialog stayed open");
}

}  // namespace e2e
