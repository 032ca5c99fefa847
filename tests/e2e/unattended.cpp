// The unattended install, driven as a deployment tool drives it: switches on
// the command line, nobody at the screen, judged by the exit code, the
// written file and the log.
#include <cstring>

#include "harness.h"
#include "host.h"
#include "payload_check.h"
#include "updater_process.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kZip[] = L"Lumarso2015.zip";
constexpr auto kStartTimeout = 60s;
constexpr auto kRunTimeout = 120s;

std::wstring Root(const char* name) {
  return L"C:\\lumarso-e2e\\" + std::wstring(name, name + strlen(name)) + L"\\";
}

// Waits for the end, watching all along that no window of any kind appears.
DWORD RunsWithoutAWindow(const UpdaterProcess& updater, milliseconds timeout) {
  bool windowSeen = false;
  WaitUntil(
      [&] {
        windowSeen = windowSeen || !test_support::TopLevels(updater.Pid()).empty();  // hidden ones too
        return !updater.Running();
      },
      timeout);
  const auto code = updater.WaitForExit(0ms);
  E2E_CHECK(code.has_value(), "the updater is still running");
  E2E_CHECK(!windowSeen, "the silent run made a window");
  Log("the updater ended with exit code " + std::to_string(*code) + ", no window ever made");
  return *code;
}

std::string ReadLog(const std::wstring& path) {
  const std::optional<std::string> read = test_support::ReadAllText(path);
  E2E_CHECK(read.has_value(), "no log at " + Narrow(path));
  const std::string& content = *read;
  Log("the log:\n" + content);
  return content;
}

void ExpectLogged(const std::string& log, const std::string& text) {
  E2E_CHECK(log.find(text) != std::string::npos, "the log lacks \"" + text + "\"");
}

void ExpectWritten(const Options& o, const std::wstring& folder) {
  const PayloadComparison c = ComparePayload(o.exe, JoinPath(folder, kZip));
  E2E_CHECK(c.resourceSize >= 0 && c.same,
            Narrow(JoinPath(folder, kZip)) + " is not the exe's resource (file " +
                std::to_string(c.fileSize) + " bytes, resource " + std::to_string(c.resourceSize) + ")");
  Log(L"the manual in " + folder + L" equals the exe's resource");
}

// ---------------------------------------------------------------------------

void SilentMakerKey(const Options& o) {
  ScopedFolder root(Root("silent_maker_key"));
  ScopedMakerKey key(root.Path());
  const std::wstring host = root.Path() + L"Quadrivo\\";
  PlaceHostExe(host);
  const std::wstring log = root.Path() + L"install.log";
  UpdaterProcess updater(o.exe, root.Path(), L"/S /LOG=" + log);
  E2E_CHECK_EQ(RunsWithoutAWindow(updater, kRunTimeout), DWORD{0});
  ExpectWritten(o, host);
  const std::string text = ReadLog(log);
  ExpectLogged(text, "started (silent), command line: /S /LOG=");
  ExpectLogged(text, "candidate \"" + Narrow(host) + "\": Quadrivo.exe found");
  ExpectLogged(text, "result: exit code 0, the manual was written");
}

void SilentFolderWithSpaces(const Options& o) {
  RemoveMakerKey();
  ScopedFolder root(Root("silent_spaces"));
  const std::wstring host = root.Path() + L"some folder with spaces\\";
  PlaceHostExe(host);
  // No quotes and no final backslash: the rest of the line is the folder.
  UpdaterProcess updater(o.exe, root.Path(), L"/S /D=" + host.substr(0, host.size() - 1));
  E2E_CHECK_EQ(RunsWithoutAWindow(updater, kRunTimeout), DWORD{0});
  ExpectWritten(o, host);
}

void SilentHostMissing(const Options& o) {
  ScopedFolder root(Root("silent_no_host"));
  ScopedMakerKey key(root.Path());
  const std::wstring host = root.Path() + L"Quadrivo\\";
  E2E_CHECK(MakeFolders(host), "cannot make the host folder");
  const std::wstring log = root.Path() + L"install.log";
  UpdaterProcess updater(o.exe, root.Path(), L"/S /LOG=" + log);
  E2E_CHECK_EQ(RunsWithoutAWindow(updater, kRunTimeout), DWORD{2});
  E2E_CHECK(!FileExists(JoinPath(host, kZip)), "something was written");
  ExpectLogged(ReadLog(log), "result: exit code 2");
}

void SilentGivesUp(const Options& o) {
  ScopedFolder root(Root("silent_gives_up"));
  ScopedMakerKey key(root.Path());
  const std::wstring host = root.Path() + L"Quadrivo\\";
  PlaceHostExe(host);
  const std::wstring target = JoinPath(host, kZip);
  HeldFile held(target);  // an old, empty archive another program keeps open
  const std::wstring log = root.Path() + L"install.log";
  UpdaterProcess updater(o.exe, root.Path(), L"/S /RETRIES=2 /LOG=" + log);
  E2E_CHECK_EQ(RunsWithoutAWindow(updater, kRunTimeout), DWORD{3});
  held.Release();
  E2E_CHECK_EQ(FileSize(target), std::int64_t{0});
  const std::string text = ReadLog(log);
  // Wine refuses the rename onto a file held without FILE_SHARE_DELETE with
  // 5 (Access denied); Windows may say 32 (Sharing violation).  Either way
  // the log gives the number and the system's own text for it.
  const bool named = text.find("attempt 3 failed: error 5 (") != std::string::npos ||
                     text.find("attempt 3 failed: error 32 (") != std::string::npos;
  E2E_CHECK(named, "the log does not name the error of the third attempt");
  E2E_CHECK(text.find("attempt 4") == std::string::npos, "more attempts than allowed");
  ExpectLogged(text, "result: exit code 3, gave up after 2 failed retries");
}

// The same for a deployment run again: a current copy, also one a viewer
// holds, ends with 0 at the first attempt without writing; one that differs
// is replaced.
void SilentCurrentCopy(const Options& o) {
  ScopedFolder root(Root("silent_current_copy"));
  ScopedMakerKey key(root.Path());
  const std::wstring host = root.Path() + L"Quadrivo\\";
  PlaceHostExe(host);
  const std::wstring target = JoinPath(host, kZip);
  const std::int64_t size = PlacePayloadCopy(o.exe, target);
  E2E_CHECK(size > 0, "cannot place a copy of the archive");
  DateBack(target);
  const std::uint64_t dated = LastWriteTime(target);
  int runs = 0;
  // No retries: a run that had to write a held copy would give up with 3.
  auto run = [&](const char* what) {
    Log(std::string("run: ") + what);
    const std::wstring log = root.Path() + L"install" + std::to_wstring(++runs) + L".log";
    UpdaterProcess updater(o.exe, root.Path(), L"/S /RETRIES=0 /LOG=" + log);
    E2E_CHECK_EQ(RunsWithoutAWindow(updater, kRunTimeout), DWORD{0});
    ExpectWritten(o, host);
    return ReadLog(log);
  };
  const std::string current =
      "attempt 1: already current, " + std::to_string(size) + " bytes compared, nothing written";

  std::string text = run("the copy holds the archive");
  ExpectLogged(text, current);
  ExpectLogged(text, "attempt 1: " + std::to_string(size) + " bytes compared in ");
  E2E_CHECK(text.find("writing") == std::string::npos, "a current copy was logged as written");
  ExpectLogged(text, "result: exit code 0, the manual was already current");
  E2E_CHECK(LastWriteTime(target) == dated, "the current copy was written again");
  {
    ViewedFile viewer(target);
    ExpectLogged(run("the same copy, shown by a viewer that shares only reading"), current);
  }
  E2E_CHECK(LastWriteTime(target) == dated, "the viewed copy was written again");

  E2E_CHECK(PlacePayloadCopy(o.exe, target, size / 2) == size, "cannot change the copy");
  DateBack(target);
  text = run("the copy's middle byte differs");
  ExpectLogged(text, "attempt 1: written, " + std::to_string(size) + " bytes");
  ExpectLogged(text, "attempt 1: writing the new copy beside Lumarso2015.zip");
  ExpectLogged(text, "attempt 1: " + std::to_string(size) + " bytes written in ");
  ExpectLogged(text, ", put in place in ");
  ExpectLogged(text, "result: exit code 0, the manual was written");
  E2E_CHECK(LastWriteTime(target) != dated, "the differing copy was not replaced");
  E2E_CHECK(NamesIn(host) == (std::vector<std::wstring>{L"Lumarso2015.zip", L"Quadrivo.exe"}),
            "the host folder holds more than the manual and the host");
}

void UsageAndBadSwitch(const Options& o) {
  ScopedFolder root(Root("usage"));
  {
    UpdaterProcess updater(o.exe, root.Path(), L"/?");
    const MessageBoxView box = updater.WaitForMessageBox(kStartTimeout);
    E2E_CHECK(box.text.find(L"Uso: Lumarso2015.exe") == 0, "the box is not the usage");
    E2E_CHECK(box.text.find(L"1602") != std::wstring::npos, "the usage lacks the exit codes");
    for (HWND window : VisibleTopLevels(updater.Pid())) {
      E2E_CHECK(GetDlgItem(window, 0xFFFF) != nullptr, "a window other than the box showed");
    }
    E2E_CHECK(box.Press(IDOK), "the box did not close");
    const auto code = updater.WaitForExit(30s);
    E2E_CHECK(code.has_value(), "the updater is still running");
    E2E_CHECK_EQ(*code, DWORD{0});
  }
  UpdaterProcess updater(o.exe, root.Path(), L"/silent");
  const MessageBoxView box = updater.WaitForMessageBox(kStartTimeout);
  E2E_CHECK(box.text.find(L"\"/silent\"") != std::wstring::npos, "the box does not name the switch");
  E2E_CHECK(box.Press(IDOK), "the box did not close");
  const auto code = updater.WaitForExit(30s);
  E2E_CHECK(code.has_value(), "the updater is still running");
  E2E_CHECK_EQ(*code, DWORD{1});
}

}  // namespace

const std::vector<Scenario>& UnattendedScenarios() {
  static const std::vector<Scenario> all = {
      {"silent_maker_key", "/S /LOG=: no window, exit 0, written, logged", SilentMakerKey},
      {"silent_folder_with_spaces", "/S /D=folder with spaces, unquoted", SilentFolderWithSpaces},
      {"silent_host_missing", "/S without Quadrivo.exe: exit 2, nothing written", SilentHostMissing},
      {"silent_gives_up", "/S /RETRIES=2, target held: exit 3, old file intact", SilentGivesUp},
      {"silent_current_copy", "/S run again: a current copy is left alone, a differing one replaced",
       SilentCurrentCopy},
      {"usage_and_bad_switch", "/? shows the usage; an unknown switch is named", UsageAndBadSwitch},
  };
  return all;
}

}  // namespace e2e
