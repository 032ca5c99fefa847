// lumarso_bench_answers <updater.exe> <host folder\> [<the same folder, seen directly\>]
//
// Starts the updater with /D=<host folder\>, presses its button as soon as
// the window shows and asks the window every 50 ms whether it answers
// (WM_NULL, SendMessageTimeoutW with SMTO_ABORTIFHUNG) until the success box
// shows; then answers the box and waits for the end.  The new copy is looked
// for in the third folder if given: the storage under test may keep a look
// through it waiting.  Reports on stdout:
//   placed <ms>         from the press to the new copy in place (the attempt's end)
//   written <ms>        from the press to the box
//   stall <ms> <ms>     the longest time a message waited for an answer: until the
//                       copy was in place, and until the box (making the box takes
//                       the window's thread a while, after the attempt)
//   stall_at <ms>       when the first of those began, from the press
//   answered <n> <m>    messages answered, and refused or timed out
//   exit <code>
// Wine refuses messages to a window it takes for hung at once, so the stall
// is counted in time, from the first unanswered message to the next answer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/stopwatch_win32.h"

namespace {

constexpr DWORD kTimeoutMs = 600000;
constexpr DWORD kPollMs = 50;

struct Search {
  DWORD pid;
  bool box;  // a message box (its text static 0xFFFF), or the main window
  HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || !::IsWindowVisible(hwnd)) return TRUE;
  if ((::GetDlgItem(hwnd, 0xFFFF) != nullptr) != search->box) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND Find(DWORD pid, bool box) {
  Search search{pid, box, nullptr};
  ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Fail(const char* what, HANDLE process) {
  std::printf("error %s %lu\n", what, ::GetLastError());
  std::fflush(stdout);
  if (process) ::TerminateProcess(process, 1);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr,
                 "usage: lumarso_bench_answers <updater.exe> <host folder\\> [<seen directly\\>]\n");
    return 2;
  }
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\" /D=" + argv[2];
  std::wstring target = argv[argc - 1];
  if (!target.empty() && target.back() != L'\\') target += L'\\';
  target += L"Lumarso2015.zip";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return Fail("createprocess", nullptr);
  }
  ::CloseHandle(pi.hThread);
  ::WaitForInputIdle(pi.hProcess, kTimeoutMs);
  HWND window = nullptr;
  const bench::Stopwatch sinceStart;
  while (!(window = Find(pi.dwProcessId, false)) && sinceStart.Milliseconds() < kTimeoutMs) {
    if (::WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) return Fail("window", nullptr);
  }
  HWND button = window ? ::FindWindowExW(window, nullptr, L"Button", nullptr) : nullptr;
  if (!button) return Fail("button", pi.hProcess);

  const bench::Stopwatch sinceClick;
  ::PostMessageW(button, BM_CLICK, 0, 0);
  double stall = 0, waitingSince = -1, placed = -1, stallPlaced = -1, stallAt = 0;
  long answered = 0, missed = 0;
  HWND box = nullptr;
  while (!(box = Find(pi.dwProcessId, true)) && sinceClick.Milliseconds() < kTimeoutMs) {
    if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return Fail("ended", nullptr);
    const double sent = sinceClick.Milliseconds();
    if (placed < 0 && ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      placed = sent;
      stallPlaced = stall;
      if (waitingSince >= 0 && sent - waitingSince > stallPlaced) {
        stallPlaced = sent - waitingSince;
        stallAt = waitingSince;
      }
    }
    if (waitingSince < 0) waitingSince = sent;
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored)) {
      ++answered;
      const double waited = sinceClick.Milliseconds() - waitingSince;
      if (waited > stall && placed < 0) stallAt = waitingSince;
      stall = std::max(stall, waited);
      waitingSince = -1;
    } else {
      ++missed;
    }
    const double next = sent + kPollMs - sinceClick.Milliseconds();
    if (next > 0) ::Sleep(static_cast<DWORD>(next));
  }
  const double written = sinceClick.Milliseconds();
  if (waitingSince >= 0) stall = std::max(stall, written - waitingSince);
  if (!box) return Fail("box", pi.hProcess);
  if (placed < 0) placed = written, stallPlaced = stall;
  std::printf("placed %.0f\nwritten %.0f\nstall %.0f %.0f\nstall_at %.0f\nanswered %ld %ld\n",
              placed, written, stallPlaced, stall, stallAt, answered, missed);
  std::fflush(stdout);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  if (::WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
    return Fail("exit", pi.hProcess);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  std::printf("exit %lu\n", code);
  ::CloseHandle(pi.hProcess);
  return 0;
}
