// lumarso_bench_launch <updater.exe> [--install <folder\> [--now]]
// lumarso_bench_launch --run <program.exe> [arguments...]
//
// Starts the updater and reports, on stdout, the milliseconds from
// CreateProcess to its window being shown and idle ("ready <ms>").  Without
// --install it then closes the window.  With --install it first points the
// maker's install key at <folder\> (which must hold Quadrivo\Quadrivo.exe),
// waits for a line on stdin (so that an outside observer can read the idle
// process), presses the button, and reports when the success box appears
// ("written <ms>", counted from the press); it answers the box and waits for
// the process to end.  With --now it presses the button as soon as the
// window is ready.  Every run that waits for the end reports
// "total <ms>" from CreateProcess to the process's end, then "exit <code>".
// --run starts any program with the arguments given (an installer's silent
// install, say) and reports only those two lines.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/stopwatch_win32.h"

namespace {

constexpr wchar_t kWindowCaption[] = L"Lumarso 2015";
constexpr wchar_t kDone[] = L"Aggiornamento terminato!";
constexpr int kBoxTextId = 0xFFFF;
constexpr DWORD kTimeoutMs = 120000;

struct Search {
  DWORD pid;
  const wchar_t* className;  // nullptr: any
  const wchar_t* caption;    // nullptr: any
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || !::IsWindowVisible(hwnd)) return TRUE;
  wchar_t text[128] = {};
  ::GetWindowTextW(hwnd, text, 128);
  if (search->caption && std::wcscmp(text, search->caption) != 0) return TRUE;
  if (search->className) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (std::wcscmp(cls, search->className) != 0) return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

// Polls the top-level windows of `pid` until one matches or the process ends.
HWND WaitForWindow(HANDLE process, DWORD pid, const wchar_t* className, const wchar_t* caption) {
  const bench::Stopwatch waited;
  while (waited.Milliseconds() < kTimeoutMs) {
    Search search{pid, className, caption, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (::WaitForSingleObject(process, 1) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

bool PointInstallKeyAt(const std::wstring& folder) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Velto\\Installazione", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
  const LSTATUS status = ::RegSetValueExW(key, L"strPath", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(folder.c_str()), bytes);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

int Fail(const char* what, PROCESS_INFORMATION* pi) {
  std::printf("error %s %lu\n", what, ::GetLastError());
  std::fflush(stdout);
  if (pi && pi->hProcess) {
    ::TerminateProcess(pi->hProcess, 1);
    ::CloseHandle(pi->hProcess);
    ::CloseHandle(pi->hThread);
  }
  return 1;
}

// Quotes an argument the way CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

int Run(int argc, wchar_t** argv) {
  std::wstring commandLine = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += L" " + std::wstring(argv[i]);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const bench::Stopwatch sinceStart;
  if (!::CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    return Fail("createprocess", nullptr);
  }
  if (::WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return Fail("exit", &pi);
  const double ms = sinceStart.Milliseconds();
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  std::printf("total %.3f\nexit %lu\n", ms, code);
  std::fflush(stdout);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"--run") == 0) return Run(argc, argv);
  const bool now = argc == 5 && std::wcscmp(argv[4], L"--now") == 0;
  if (argc != 2 && !((argc == 4 || now) && std::wcscmp(argv[2], L"--install") == 0)) {
    std::fprintf(stderr, "usage: lumarso_bench_launch <exe> [--install <folder\\> [--now]]\n"
                         "       lumarso_bench_launch --run <exe> [arguments...]\n");
    return 2;
  }
  const bool install = argc >= 4;
  if (install && !PointInstallKeyAt(argv[3])) return Fail("registry", nullptr);

  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const bench::Stopwatch sinceStart;
  if (!::CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    return Fail("createprocess", nullptr);
  }
  ::WaitForInputIdle(pi.hProcess, kTimeoutMs);
  HWND window = WaitForWindow(pi.hProcess, pi.dwProcessId, nullptr, kWindowCaption);
  if (!window) return Fail("window", &pi);
  std::printf("ready %.3f\n", sinceStart.Milliseconds());
  std::fflush(stdout);

  if (!install) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  } else {
    char line[64];
    if (!now && !std::fgets(line, sizeof line, stdin)) return Fail("stdin", &pi);
    HWND button = ::FindWindowExW(window, nullptr, L"Button", nullptr);
    if (!button) return Fail("button", &pi);
    const bench::Stopwatch sinceClick;
    ::PostMessageW(button, BM_CLICK, 0, 0);
    HWND box = WaitForWindow(pi.hProcess, pi.dwProcessId, L"#32770", nullptr);
    if (!box) return Fail("box", &pi);
    // Another process's controls answer WM_GETTEXT, not GetWindowText.
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(::GetDlgItem(box, kBoxTextId), WM_GETTEXT, 256,
                          reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    if (std::wcscmp(text, kDone) != 0) {
      std::printf("unexpected box: %ls\n", text);
      return Fail("box", &pi);
    }
    std::printf("written %.3f\n", sinceClick.Milliseconds());
    std::fflush(stdout);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  if (::WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
    return Fail("exit", &pi);
  }
  const double total = sinceStart.Milliseconds();
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  std::printf("total %.3f\nexit %lu\n", total, code);
  std::fflush(stdout);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return 0;
}
