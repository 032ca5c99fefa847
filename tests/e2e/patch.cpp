// The patch updater (Lumarso2015-patch.exe) driven from outside, silent and
// with its window: over the edition it updates, over the new edition and
// over a foreign file, and silent over each earlier edition it also updates.
// Judged by the exit code, the boxes and the bytes of Lumarso2015.zip against
// the editions the build used.
#include <cstring>

#include "box_icon.h"
#include "harness.h"
#include "host.h"
#include "updater_process.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kZip[] = L"Lumarso2015.zip";
constexpr auto kTimeout = 120s;
constexpr wchar_t kNotTheBase[] =
    L"Questo aggiornamento richiede il manuale Lumarso 2015 gi\u00e0 installato, "
    L"nell'edizione precedente.\n"
    L"Per installare il manuale usare il programma di installazione completo (Lumarso2015.exe).";

enum class Start { kOld, kNew, kForeign, kGiven };

std::string Bytes(const std::wstring& path) {
  const auto read = test_support::ReadAllText(path);
  E2E_CHECK(read.has_value(), "cannot read " + Narrow(path));
  return *read;
}

// The scenario's folder, with the host and the chosen archive in it.
struct Machine {
  // `given`: the archive installed when `start` is kGiven.
  Machine(const Options& o, const std::string& name, Start start, const std::wstring& given = {})
      : root(L"C:\\lumarso-e2e\\" + std::wstring(name.begin(), name.end()) + L"\\"),
        key(root.Path()),
        host(root.Path() + L"Quadrivo\\") {
    PlaceHostExe(host);
    const std::wstring zip = JoinPath(host, kZip);
    if (start == Start::kForeign) {
      const std::string foreign(5000, 'x');
      E2E_CHECK(test_support::WriteAll(zip, foreign.data(), foreign.size()),
                "cannot write the foreign file");
    } else {
      const std::wstring from = start == Start::kOld ? o.base : start == Start::kGiven ? given : o.archive;
      E2E_CHECK(CopyFileW(from.c_str(), zip.c_str(), FALSE) != 0, "cannot copy " + Narrow(from));
    }
    before = Bytes(zip);
  }
  [[nodiscard]] std::string Now() const { return Bytes(JoinPath(host, kZip)); }
  void ExpectOnlyTheArchive() const {
    E2E_CHECK(NamesIn(host).size() == 2, "the folder holds more than Quadrivo.exe and the archive");
  }

  ScopedFolder root;
  ScopedMakerKey key;
  std::wstring host;
  std::string before;
};

void ExpectPatched(const Options& o, const Machine& m) {
  E2E_CHECK(m.Now() == Bytes(o.archive), "Lumarso2015.zip is not the new edition, byte for byte");
  Log("Lumarso2015.zip is the new edition, byte for byte");
}

DWORD RunSilent(const Options& o, const Machine& m, std::string* log) {
  const std::wstring logPath = m.root.Path() + L"install.log";
  UpdaterProcess updater(o.exe, m.root.Path(), L"/S /LOG=" + logPath);
  WaitUntil([&] { return !updater.Running(); }, kTimeout);
  const auto code = updater.WaitForExit(0ms);
  E2E_CHECK(code.has_value(), "the patch updater is still running");
  *log = Bytes(logPath);
  Log("exit code " + std::to_string(*code) + ", the log:\n" + *log);
  return *code;
}

void ExpectLogged(const std::string& log, const std::string& text) {
  E2E_CHECK(log.find(text) != std::string::npos, "the log lacks \"" + text + "\"");
}

void SilentOld(const Options& o) {
  Machine m(o, "patch_silent_old", Start::kOld);
  std::string log;
  E2E_CHECK_EQ(RunSilent(o, m, &log), DWORD{0});
  ExpectPatched(o, m);
  m.ExpectOnlyTheArchive();
  ExpectLogged(log, "attempt 1: patched the installed edition (");
  ExpectLogged(log, "result: exit code 0");
}

void SilentNew(const Options& o) {
  Machine m(o, "patch_silent_new", Start::kNew);
  std::string log;
  E2E_CHECK_EQ(RunSilent(o, m, &log), DWORD{0});
  E2E_CHECK(m.Now() == m.before, "the new edition was changed");
  m.ExpectOnlyTheArchive();
  ExpectLogged(log, "the installed copy already is the new edition");
}

void SilentForeign(const Options& o) {
  Machine m(o, "patch_silent_foreign", Start::kForeign);
  std::string log;
  E2E_CHECK_EQ(RunSilent(o, m, &log), DWORD{5});
  E2E_CHECK(m.Now() == m.before, "the foreign file was changed");
  m.ExpectOnlyTheArchive();
  ExpectLogged(log, "found 5000 bytes");
  ExpectLogged(log, "it updates from (");
  ExpectLogged(log, "result: exit code 5");
}

// Every earlier edition the patch also updates from, one folder each.
void SilentOlder(const Options& o) {
  E2E_CHECK(!o.older.empty(), "no --older edition given");
  const std::string count = std::to_string(o.older.size() + 1);
  for (std::size_t i = 0; i < o.older.size(); ++i) {
    Machine m(o, "patch_silent_older_" + std::to_string(i + 1), Start::kGiven, o.older[i]);
    std::string log;
    E2E_CHECK_EQ(RunSilent(o, m, &log), DWORD{0});
    ExpectPatched(o, m);
    m.ExpectOnlyTheArchive();
    ExpectLogged(log, "attempt 1: patched the installed edition (number " + std::to_string(i + 1) +
                          " of the " + count + " it updates from");
  }
}

// The window: a click, one box, its text and icon, the exit code.
void Window(const Options& o, const char* name, Start start, const std::wstring& text,
            BoxIcon icon, DWORD exitCode) {
  Machine m(o, name, start);
  UpdaterProcess updater(o.exe, m.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kTimeout);
  Click(main.button);
  const MessageBoxView box = updater.WaitForMessageBox(kTimeout);
  E2E_CHECK_EQ(box.text, text);
  E2E_CHECK_EQ(box.title, std::wstring(L"Velto S.r.l."));
  BoxIcon shown = IdentifyIcon(box);
  for (int waited = 0; shown != icon && waited < 3000; waited += 100) {
    Sleep(100);
    shown = IdentifyIcon(box);
  }
  E2E_CHECK(shown == icon, "the box shows the " + Name(shown) + " icon, not the " + Name(icon));
  E2E_CHECK(box.Press(IDOK), "the box did not close");
  const auto code = updater.WaitForExit(kTimeout);
  E2E_CHECK(code.has_value(), "the patch updater is still running");
  E2E_CHECK_EQ(*code, exitCode);
  if (start == Start::kOld) {
    ExpectPatched(o, m);
  } else {
    E2E_CHECK(m.Now() == m.before, "Lumarso2015.zip was changed");
  }
  m.ExpectOnlyTheArchive();
}

void WindowOld(const Options& o) {
  Window(o, "patch_window_old", Start::kOld, L"Aggiornamento terminato!", BoxIcon::Information, 0);
}
void WindowNew(const Options& o) {
  Window(o, "patch_window_new", Start::kNew, L"Aggiornamento terminato!", BoxIcon::Information, 0);
}
void WindowForeign(const Options& o) {
  Window(o, "patch_window_foreign", Start::kForeign, kNotTheBase, BoxIcon::Warning, 5);
}

}  // namespace

const std::vector<Scenario>& PatchScenarios() {
  static const std::vector<Scenario> all = {
      {"patch_silent_old", "patch /S over the old edition: exit 0, the new edition", SilentOld},
      {"patch_silent_new", "patch /S over the new edition: exit 0, nothing written", SilentNew},
      {"patch_silent_foreign", "patch /S over a foreign file: exit 5, logged", SilentForeign},
      {"patch_silent_older", "patch /S over each earlier edition: exit 0, the new edition", SilentOlder},
      {"patch_window_old", "patch window over the old edition: patched, the usual box", WindowOld},
      {"patch_window_new", "patch window over the new edition: the usual box", WindowNew},
      {"patch_window_foreign", "patch window over a foreign file: a warning, exit 5", WindowForeign},
  };
  return all;
}

}  // namespace e2e
