// lumarso_e2e: drives the real updater from outside, as a person would.
//
//   lumarso_e2e list
//   lumarso_e2e <scenario>|all --exe PATH [--retry-ms N] [--screenshots DIR]
//               [--base OLD.zip [--older OLDER.zip]... --archive NEW.zip]   (the patch scenarios)
//               [--slow-mount DIR --slow-backing DIR] (the slow-storage scenarios,
//                run through tests/slow_storage/on_slow_storage.py)
//   lumarso_e2e seed [--host-root C:\Velto\]
//   lumarso_e2e demo --exe PATH [--host-root C:\Velto\] [--screenshots DIR]
//
// Paths may be given as Unix paths; they are reached through drive Z:.
// The retry scenarios want the fast-retry build (Lumarso2015_fastretry) and
// its interval in --retry-ms; tests/e2e/CMakeLists.txt pairs them up.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "demo.h"
#include "harness.h"
#include "tests/support/win32/owners.h"

namespace {

std::wstring WindowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// Without a window manager (Xvfb) nobody draws the title bars, and Wine
// waits 2 s for the missing manager each time it hides a window.  Let Wine
// manage and draw the windows itself: whole windows in the screenshots, and
// boxes that close at once.
// For a run on the user's display, the window manager's defaults come back.
void LetWineManageWindows(bool yes) {
  HKEY created = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS)
    return;
  const test_support::UniqueKey key(created);
  const wchar_t no[] = L"N";
  for (const wchar_t* name : {L"Decorated", L"Managed"}) {
    if (yes) RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
    else RegDeleteValueW(key.get(), name);
  }
}

int Usage() {
  std::puts("usage: lumarso_e2e list | <scenario>|all --exe PATH [--retry-ms N] "
            "[--screenshots DIR] | seed [--host-root DIR] | demo --exe PATH [--host-root DIR] "
            "[--screenshots DIR]");
  return 2;
}

bool RunOne(const e2e::Scenario& s, const e2e::Options& o) {
  e2e::Log(std::string("=== ") + s.name + ": " + s.summary);
  try {
    s.run(o);
    e2e::Log(std::string("=== PASS ") + s.name);
    return true;
  } catch (const std::exception& e) {
    e2e::Log(std::string("FAILED: ") + e.what());
    e2e::Log(std::string("=== FAIL ") + s.name);
    return false;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  e2e::Options o;
  o.hostFolder = L"C:\\Velto\\";
  for (int i = 2; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::wstring v = argv[++i];
    if (a == L"--exe") o.exe = WindowsPath(v);
    else if (a == L"--screenshots") o.screenshotDir = WindowsPath(v);
    else if (a == L"--retry-ms") o.retryMs = static_cast<unsigned>(std::wcstoul(v.c_str(), nullptr, 10));
    else if (a == L"--host-root") o.hostFolder = WindowsPath(v);
    else if (a == L"--base") o.base = WindowsPath(v);
    else if (a == L"--older") o.older.push_back(WindowsPath(v));
    else if (a == L"--archive") o.archive = WindowsPath(v);
    else if (a == L"--slow-mount") o.slowMount = WindowsPath(v);
    else if (a == L"--slow-backing") o.slowBacking = WindowsPath(v);
    else return Usage();
  }
  if (!o.hostFolder.empty() && o.hostFolder.back() != L'\\') o.hostFolder += L'\\';
  if (!o.screenshotDir.empty()) CreateDirectoryW(o.screenshotDir.c_str(), nullptr);

  std::vector<e2e::Scenario> scenarios = e2e::AllScenarios();
  scenarios.insert(scenarios.end(), e2e::UnattendedScenarios().begin(),
                   e2e::UnattendedScenarios().end());
  scenarios.insert(scenarios.end(), e2e::PatchScenarios().begin(), e2e::PatchScenarios().end());
  scenarios.insert(scenarios.end(), e2e::SlowStorageScenarios().begin(),
                   e2e::SlowStorageScenarios().end());
  if (command == L"list") {
    for (const auto& s : scenarios) std::printf("%-24s %s\n", s.name, s.summary);
    return 0;
  }
  try {
    if (command == L"seed") {
      LetWineManageWindows(false);
      e2e::SeedHost(o.hostFolder);
      return 0;
    }
    if (o.exe.empty()) return Usage();
    LetWineManageWindows(true);
    if (command == L"demo") {
      e2e::RunDemo(o);
      return 0;
    }
  } catch (const std::exception& e) {
    e2e::Log(std::string("FAILED: ") + e.what());
    return 1;
  }
  int failed = 0, ran = 0;
  for (const auto& s : scenarios) {
    if (command != L"all" && e2e::Narrow(command) != s.name) continue;
    ++ran;
    if (!RunOne(s, o)) ++failed;
  }
  if (ran == 0) {
    std::printf("unknown scenario %s\n", e2e::Narrow(command).c_str());
    return 2;
  }
  return failed ? 1 : 0;
}
