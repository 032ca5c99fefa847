// The updater with its host folder on slow storage: a pass-through file
// system throttled to a few hundred KB/s (tests/slow_storage/), mounted
// around the driver by CTest.  With the 4 MB sample a write takes seconds,
// long enough to watch the window, close it or click again half-way.
// The host folder is reached through the mount; what was written is read
// back through the backing folder, at full speed.
#include <windows.h>
// The progress bar's messages; commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

#include "harness.h"
#include "host.h"
#include "payload_check.h"
#include "updater_process.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kZip[] = L"Lumarso2015.zip";
constexpr wchar_t kDone[] = L"Aggiornamento terminato!";
constexpr int kProgressBarId = 1002;
constexpr DWORD kClosedBeforeSuccess = 1602;

constexpr auto kStartTimeout = 60s;
constexpr auto kInstallTimeout = 120s;  // 4 MB at 400 KB/s is 10 s
constexpr auto kExitTimeout = 30s;
// How often the window is asked whether it answers.
constexpr auto kPoll = 50ms;
// The aim is an answer within 100 ms.  Wine on a busy two-core machine
// (sibling tests, builds, wineserver, the file system's own process) now and
// then keeps even an idle window from answering for a few hundred ms, once or
// twice in a run.  So: no wait over 400 ms, and waits over 100 ms rare.  A
// window thread that did the writing itself fails both: 10 s in one piece,
// or a wait of 160 ms or more for every 64 KiB piece at 400 KB/s.
constexpr auto kLongestStallAllowed = 400ms;
constexpr int kStallsOver100msAllowed = 3;
// Closing during the write ends the process within 2 s.
constexpr auto kCloseAllowed = 2000ms;
// A write through the throttle takes seconds; much less means the folder
// is not on the slow storage and the scenario proves nothing.
constexpr auto kSlowWriteAtLeast = 5s;

struct SlowHost {
  ScopedFolder root;    // on the throttled mount
  std::wstring host;    // the host folder as the updater reaches it
  std::wstring direct;  // the same folder, read through the backing folder
  ScopedFolder work;    // the updater's current folder and its log, on C:
  std::wstring log;
  SlowHost(const Options& o, const char* name)
      : root(JoinPath(SlowRoot(o, o.slowMount), Wide(name)) + L"\\"),
        host(root.Path() + L"Quadrivo\\"),
        direct(JoinPath(SlowRoot(o, o.slowBacking), Wide(name)) + L"\\Quadrivo\\"),
        work(L"C:\\lumarso-e2e\\" + Wide(name) + L"\\"),
        log(work.Path() + L"install.log") {
    PlaceHostExe(host);
  }
  // The updater's switches: its log, and the host folder (last, as /D= wants).
  [[nodiscard]] std::wstring Switches(const std::wstring& first = L"") const {
    return first + L"/LOG=" + log + L" /D=" + host;
  }
  [[nodiscard]] std::wstring Target() const { return JoinPath(direct, kZip); }

 private:
  static std::wstring Wide(const char* text) {
    return std::wstring(text, text + std::strlen(text));
  }
  static const std::wstring& SlowRoot(const Options&, const std::wstring& folder) {
    E2E_CHECK(!folder.empty(),
              "no --slow-mount and --slow-backing: run it through "
              "tests/slow_storage/on_slow_storage.py");
    return folder;
  }
};

milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// A visible message box of the process, found without asking any window.
bool BoxShows(DWORD pid) {
  for (HWND w : VisibleTopLevels(pid))
    if (GetDlgItem(w, test_support::kMessageTextId)) return true;
  return false;
}

// Waits until a box of the updater shows or it ends; whether a box showed.
bool BoxBeforeEnd(const UpdaterProcess& updater, milliseconds timeout) {
  bool shown = false;
  WaitUntil(
      [&] {
        shown = shown || BoxShows(updater.Pid());
        return shown || !updater.Running();
      },
      timeout);
  return shown;
}

// Names in the host folder other than the host and the manual: temp files.
std::vector<std::wstring> Others(const std::wstring& folder) {
  std::vector<std::wstring> names = NamesIn(folder);
  std::erase_if(names, [](const std::wstring& n) { return n == L"Quadrivo.exe" || n == kZip; });
  return names;
}

// Waits until the write is under way: a new file beside the manual has grown.
void WaitForWriteUnderWay(const UpdaterProcess& updater, const SlowHost& setup) {
  const bool writing = WaitUntil(
      [&] {
        for (const auto& name : Others(setup.direct))
          if (FileSize(JoinPath(setup.direct, name)) >= 256 * 1024) return true;
        return !updater.Running();
      },
      kInstallTimeout);
  E2E_CHECK(writing && updater.Running(), "no temporary file grew in the host folder");
  Log("the write is under way");
}

// What the window did while it was watched.
struct Watched {
  milliseconds longestStall{0};    // longest wait of a message for an answer
  milliseconds longestStallAt{0};  // when that wait began, from the start of the watch
  int stallsOver100ms = 0;
  int answered = 0;
  int unanswered = 0;  // timed out, or refused at once for a hung window
  bool barShown = false;
  std::vector<int> positions;  // the bar's position at each change, counted steps only
  int low = 0, high = 0;       // its range when last read
  bool fell = false;
  milliseconds took{0};  // from the start of the watch to its end
};

void Stalled(Watched& w, Clock::time_point start, Clock::time_point since) {
  const milliseconds stall = Since(since);
  if (stall > 100ms) ++w.stallsOver100ms;
  if (stall <= w.longestStall) return;
  w.longestStall = stall;
  w.longestStallAt = std::chrono::duration_cast<milliseconds>(since - start);
}

// Asks the window every 50 ms whether it answers, and reads its progress
// bar when it does, until `done` holds.  A window Wine takes for hung
// refuses SMTO_ABORTIFHUNG messages at once: what counts is the time from a
// message that was not answered to the next one that was.
template <class Done>
Watched WatchWindow(HWND window, Done done, milliseconds timeout) {
  Watched w;
  const auto start = Clock::now();
  std::optional<Clock::time_point> waitingSince;
  auto ask = [&](HWND to, UINT message, WPARAM wParam, DWORD_PTR* result) {
    return SendMessageTimeoutW(to, message, wParam, 0, SMTO_ABORTIFHUNG, 1000, result) != 0;
  };
  while (!done() && Since(start) < timeout) {
    const auto sent = Clock::now();
    DWORD_PTR ignored = 0;
    if (!waitingSince) waitingSince = sent;
    if (!ask(window, WM_NULL, 0, &ignored)) {
      ++w.unanswered;
    } else {
      ++w.answered;
      Stalled(w, start, *waitingSince);
      waitingSince.reset();
      const HWND bar = GetDlgItem(window, kProgressBarId);
      if (bar && IsWindowVisible(bar)) {
        w.barShown = true;
        DWORD_PTR pos = 0, low = 0, high = 0;
        // PBM_GETRANGE answers one end in its result when given no PBRANGE.
        if ((GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) == 0 && ask(bar, PBM_GETPOS, 0, &pos) &&
            ask(bar, PBM_GETRANGE, TRUE, &low) && ask(bar, PBM_GETRANGE, FALSE, &high)) {
          w.low = static_cast<int>(low);
          w.high = static_cast<int>(high);
          const int now = static_cast<int>(pos);
          if (!w.positions.empty() && now < w.positions.back()) w.fell = true;
          if (w.positions.empty() || now != w.positions.back()) w.positions.push_back(now);
        }
      }
    }
    std::this_thread::sleep_until(sent + kPoll);
  }
  if (waitingSince) Stalled(w, start, *waitingSince);
  w.took = Since(start);
  return w;
}

// The success box, once its text can be read: right after the work a busy
// window thread may not answer for a moment.
MessageBoxView WaitForSuccessBox(const UpdaterProcess& updater) {
  std::optional<MessageBoxView> box;
  WaitUntil(
      [&] {
        box = FindMessageBox(updater.Pid());
        return (box && box->text == kDone) || !updater.Running();
      },
      kInstallTimeout);
  E2E_CHECK(box && box->text == kDone,
            "no success box" + (box ? ", but " + Quote(box->text) : std::string()));
  Log("message box " + Quote(box->title) + ": " + Quote(box->text));
  return *box;
}

// One clicked install onto the slow storage, watched from the click to the
// end of the attempt: the new copy in place under its name.  (Showing the
// success box comes after; making a box costs Wine a few hundred ms under
// load, on the window's thread, as on any system.)  The box is then answered.
// `expect` checks what was watched before the box is answered.
void WatchedInstall(const Options& o, const char* name, void (*expect)(const Watched&)) {
  SlowHost setup(o, name);
  const std::int64_t size = ComparePayload(o.exe, setup.Target()).resourceSize;
  E2E_CHECK(size > 0, "the exe carries no archive");
  UpdaterProcess updater(o.exe, setup.work.Path(), setup.Switches());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  const Watched idle = WatchWindow(
      main.window, [] { return false; }, 1000ms);
  Log("before the click the window answered " + std::to_string(idle.answered) +
      " messages, longest wait " + std::to_string(idle.longestStall.count()) + " ms");

  Click(main.button);
  const Watched w = WatchWindow(
      main.window,
      [&] {
        return (FileSize(setup.Target()) == size && Others(setup.direct).empty()) ||
               BoxShows(updater.Pid()) || !updater.Running();
      },
      kInstallTimeout);
  Log("until the manual was in place: " + std::to_string(w.took.count()) +
      " ms; the window answered " + std::to_string(w.answered) + " messages and missed " +
      std::to_string(w.unanswered) + "; longest wait for an answer " +
      std::to_string(w.longestStall.count()) + " ms, " + std::to_string(w.longestStallAt.count()) +
      " ms after the click; " + std::to_string(w.stallsOver100ms) + " waits over 100 ms");
  std::string seen;
  for (int p : w.positions) seen += " " + std::to_string(p);
  Log("progress bar " + std::string(w.barShown ? "shown" : "never shown") + ", range " +
      std::to_string(w.low) + ".." + std::to_string(w.high) + ", positions" + seen);

  E2E_CHECK(w.took >= kSlowWriteAtLeast, "the install took only " + std::to_string(w.took.count()) +
                                             " ms: the host folder is not on slow storage");
  expect(w);
  E2E_CHECK(WaitForSuccessBox(updater).Press(IDOK), "the box did not close");
  const auto code = updater.WaitForExit(kExitTimeout);
  E2E_CHECK(code.has_value() && *code == 0, "the updater did not end with 0 after the box");
  E2E_CHECK(ComparePayload(o.exe, setup.Target()).same, "the manual written differs");
}

void ExpectOnlyManual(const SlowHost& setup) {
  const auto others = Others(setup.direct);
  E2E_CHECK(others.empty(), "left in the host folder: " + Narrow(others.front()));
}

// ---------------------------------------------------------------------------

void WindowAnswers(const Options& o) {
  WatchedInstall(o, "slow_window_answers", [](const Watched& w) {
    E2E_CHECK(w.longestStall <= kLongestStallAllowed,
              "the window went " + std::to_string(w.longestStall.count()) +
                  " ms without answering (allowed " + std::to_string(kLongestStallAllowed.count()) +
                  " ms)");
    E2E_CHECK(w.stallsOver100ms <= kStallsOver100msAllowed,
              "the window kept " + std::to_string(w.stallsOver100ms) +
                  " messages waiting over 100 ms (allowed " +
                  std::to_string(kStallsOver100msAllowed) + ")");
  });
}

void ProgressRises(const Options& o) {
  WatchedInstall(o, "slow_progress_rises", [](const Watched& w) {
    E2E_CHECK(w.barShown, "no progress bar (control 1002) showed during the write");
    E2E_CHECK(w.high > w.low,
              "the bar's range is " + std::to_string(w.low) + ".." + std::to_string(w.high));
    E2E_CHECK(!w.fell, "the bar's position went back during one attempt");
    // Ten seconds of writing: the bar moves many times, and well past half.
    E2E_CHECK(w.positions.size() >= 5,
              "the bar moved only " + std::to_string(w.positions.size()) + " times");
    E2E_CHECK(w.positions.back() - w.low >= (w.high - w.low) / 2,
              "the bar stopped at " + std::to_string(w.positions.back()));
  });
}

void CloseMidWrite(const Options& o) {
  SlowHost setup(o, "slow_close_mid_write");
  // The previous edition, a different size, so no comparison slows the start.
  std::vector<char> old(1'000'000);
  for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(i * 7 + i / 4093);
  E2E_CHECK(test_support::WriteAll(setup.Target(), old.data(), old.size()),
            "cannot place the old copy");

  UpdaterProcess updater(o.exe, setup.work.Path(), setup.Switches());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  WaitForWriteUnderWay(updater, setup);
  Sleep(1500);

  const auto closed = Clock::now();
  PostMessageW(main.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  const bool boxShown = BoxBeforeEnd(updater, kExitTimeout);
  const milliseconds took = Since(closed);
  Log("closed during the write: " +
      std::string(boxShown            ? "a box showed"
                  : updater.Running() ? "still running"
                                      : "ended") +
      " after " + std::to_string(took.count()) + " ms");
  E2E_CHECK(!boxShown, "a box showed after the window was closed");
  const auto code = updater.WaitForExit(0ms);
  E2E_CHECK(code.has_value(), "the updater is still running");
  E2E_CHECK_EQ(*code, kClosedBeforeSuccess);
  E2E_CHECK(took <= kCloseAllowed,
            "the process took " + std::to_string(took.count()) + " ms to end after the close");
  const auto kept = test_support::ReadAll(setup.Target());
  E2E_CHECK(
      kept && kept->size() == old.size() && std::memcmp(kept->data(), old.data(), old.size()) == 0,
      "the installed copy was changed");
  ExpectOnlyManual(setup);
}

void SecondClick(const Options& o) {
  SlowHost setup(o, "slow_second_click");
  UpdaterProcess updater(o.exe, setup.work.Path(), setup.Switches());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  WaitForWriteUnderWay(updater, setup);
  Log("clicking again and pressing Space on the button");
  Click(main.button);
  test_support::PressKey(main.button, VK_SPACE);

  E2E_CHECK(WaitForSuccessBox(updater).Press(IDOK),
            "the box did not close: the window's thread is busy (a second install?)");
  // A queued second install would show as a second box (after its own write
  // or comparison) instead of the end.
  const bool secondBox = BoxBeforeEnd(updater, kInstallTimeout);
  E2E_CHECK(!secondBox, "a second box showed: the click during the write ran another install");
  const auto code = updater.WaitForExit(kExitTimeout);
  E2E_CHECK(code.has_value() && *code == 0, "the updater did not end with 0");
  E2E_CHECK(ComparePayload(o.exe, setup.Target()).same, "the manual written differs");
  ExpectOnlyManual(setup);

  const auto log = test_support::ReadAllText(setup.log);
  E2E_CHECK(log.has_value(), "no log");
  int outcomes = 0;
  for (const char* outcome : {": written, ", ": already current, "})
    for (auto at = log->find(outcome); at != std::string::npos; at = log->find(outcome, at + 1))
      ++outcomes;
  E2E_CHECK(outcomes == 1 && log->find("attempt 2") == std::string::npos,
            "the log holds more than one attempt:\n" + *log);
}

void Silent(const Options& o) {
  SlowHost setup(o, "slow_silent");
  const auto started = Clock::now();
  UpdaterProcess updater(o.exe, setup.work.Path(), setup.Switches(L"/S "));
  bool windowSeen = false;
  WaitUntil(
      [&] {
        windowSeen = windowSeen || !test_support::TopLevels(updater.Pid()).empty();
        return !updater.Running();
      },
      kInstallTimeout);
  const milliseconds took = Since(started);
  const auto code = updater.WaitForExit(0ms);
  E2E_CHECK(code.has_value(), "the updater is still running");
  Log("the silent run ended with " + std::to_string(*code) + " after " +
      std::to_string(took.count()) + " ms");
  E2E_CHECK_EQ(*code, DWORD{0});
  E2E_CHECK(!windowSeen, "the silent run made a window");
  E2E_CHECK(took >= kSlowWriteAtLeast, "the host folder is not on slow storage");
  const PayloadComparison c = ComparePayload(o.exe, setup.Target());
  E2E_CHECK(c.same, "the manual differs from the resource (file " + std::to_string(c.fileSize) +
                        " bytes, first difference at " + std::to_string(c.firstDifference) + ")");
  ExpectOnlyManual(setup);
}

}  // namespace

const std::vector<Scenario>& SlowStorageScenarios() {
  static const std::vector<Scenario> all = {
      {"slow_window_answers", "slow storage: the window answers during the write", WindowAnswers},
      {"slow_progress_rises", "slow storage: the progress bar rises during the write",
       ProgressRises},
      {"slow_close_mid_write", "slow storage: closed mid-write: 1602, old copy intact, no leftover",
       CloseMidWrite},
      {"slow_second_click", "slow storage: a click and Space during the write are ignored",
       SecondClick},
      {"slow_silent", "slow storage: /S writes the exact file", Silent},
  };
  return all;
}

}  // namespace e2e
