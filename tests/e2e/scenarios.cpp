// The updater driven from outside, one scenario per way a person meets it.
#include <algorithm>
#include <cstring>
#include <set>

#include "box_icon.h"
#include "harness.h"
#include "host.h"
#include "payload_check.h"
#include "screenshot.h"
#include "updater_process.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kButtonCaption[] = L"Installa il manuale";
constexpr wchar_t kPrompt[] = L"Specificare il percorso in cui è stato installato Quadrivo";
constexpr wchar_t kZip[] = L"Lumarso2015.zip";

// Where the updater looks when the maker's key is missing.
std::wstring ProgramFilesVelto() { return ProgramFilesFolder() + L"\\Velto"; }
std::wstring FallbackHost() { return ProgramFilesVelto() + L"\\Quadrivo\\"; }

// Generous: Wine is slow on a busy machine, and one attempt writes the whole archive.
constexpr auto kStartTimeout = 60s;
constexpr auto kDialogTimeout = 60s;
constexpr auto kExitTimeout = 30s;

std::wstring ScenarioRoot(const char* name) {
  return L"C:\\lumarso-e2e\\" + std::wstring(name, name + strlen(name)) + L"\\";
}

milliseconds RetryInterval(const Options& o) { return milliseconds(o.retryMs ? o.retryMs : 1000); }

// Long enough for `ticks` retries, each of which may write the whole archive.
milliseconds RetryTimeout(const Options& o, int ticks) {
  return RetryInterval(o) * ticks + milliseconds(3000) * ticks + 60s;
}

void Shot(const Options& o, HWND window, const wchar_t* name, DWORD settleMs = 500) {
  if (o.screenshotDir.empty()) return;
  Sleep(settleMs);  // let the window finish painting
  SaveScreenshot(window, JoinPath(o.screenshotDir, name));
}

void PressSysClose(const MainWindowView& main) {
  // What the title bar's close button sends.
  PostMessageW(main.window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void ExpectIcon(const MessageBoxView& box, BoxIcon expected) {
  // Read until the box has painted its icon: under load a read made half-way
  // through the first paint sees other colours.  A box that shows the wrong
  // icon still fails, once the time is up.
  BoxIcon shown = IdentifyIcon(box);
  for (int waited = 0; shown != expected && waited < 3000; waited += 100) {
    Sleep(100);
    shown = IdentifyIcon(box);
  }
  E2E_CHECK(shown == expected, Quote(box.text) + " shows the " + Name(shown) + " icon, not the " +
                                   Name(expected) + " one");
}

void ExpectNoOtherButtons(const MessageBoxView& box, std::initializer_list<int> present) {
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    const bool wanted = std::find(present.begin(), present.end(), id) != present.end();
    E2E_CHECK(box.HasButton(id) == wanted,
              "button " + std::to_string(id) + (wanted ? " missing" : " unexpected"));
  }
}

MessageBoxView ExpectSuccessBox(const UpdaterProcess& updater, const MainWindowView& main) {
  const MessageBoxView box = updater.WaitForMessageBox(kDialogTimeout);
  E2E_CHECK_EQ(box.text, std::wstring(L"Aggiornamento terminato!"));
  E2E_CHECK_EQ(box.title, std::wstring(L"Velto S.r.l."));
  ExpectNoOtherButtons(box, {IDOK});
  E2E_CHECK(box.Owner() == main.window, "the box is not owned by the window");
  ExpectIcon(box, BoxIcon::Information);
  return box;
}

void ExpectWritten(const Options& o, const std::wstring& folder) {
  const std::wstring target = JoinPath(folder, kZip);
  const PayloadComparison c = ComparePayload(o.exe, target);
  E2E_CHECK(c.resourceSize >= 0, "the exe carries no CUSTOM/101 resource in Italian");
  E2E_CHECK(c.fileSize >= 0, "cannot read " + Narrow(target));
  E2E_CHECK(c.same, Narrow(target) + " differs from the resource (file " +
                        std::to_string(c.fileSize) + " bytes, resource " +
                        std::to_string(c.resourceSize) + ", first difference at " +
                        std::to_string(c.firstDifference) + ")");
  Log(L"the manual in " + target + L" equals the exe's resource (" +
      std::to_wstring(c.resourceSize) + L" bytes)");
}

// Nothing but the host exe and the manual: no temporary file left behind.
void ExpectFolderHolds(const std::wstring& folder, std::set<std::wstring> names) {
  const std::vector<std::wstring> listed = NamesIn(folder);
  const std::set<std::wstring> found(listed.begin(), listed.end());
  std::wstring listing;
  for (const auto& n : found) listing += n + L" ";
  E2E_CHECK(found == names, "the folder " + Narrow(folder) + " holds " + Narrow(listing));
}

// 0 once the manual is written; 1602 when the window was closed before.
constexpr DWORD kClosedBeforeSuccess = 1602;

void ExpectEnded(const UpdaterProcess& updater, DWORD expected = 0) {
  const auto code = updater.WaitForExit(kExitTimeout);
  E2E_CHECK(code.has_value(), "the updater is still running");
  E2E_CHECK_EQ(*code, expected);
  Log("the updater ended with exit code " + std::to_string(expected));
}

// For `duration`, nothing may change: the process lives, no dialog opens,
// the button keeps `caption`.
void ExpectQuiet(const UpdaterProcess& updater, const MainWindowView& main,
                 const std::wstring& caption, milliseconds duration) {
  const bool disturbed = WaitUntil(
      [&] {
        return !updater.Running() || FindMessageBox(updater.Pid()) ||
               FindInputBox(updater.Pid()) || main.ButtonCaption() != caption;
      },
      duration);
  E2E_CHECK(updater.Running(), "the updater ended");
  E2E_CHECK(!disturbed, "something happened: caption " + Quote(main.ButtonCaption()) +
                            (FindMessageBox(updater.Pid()) ? ", a message box" : "") +
                            (FindInputBox(updater.Pid()) ? ", the prompt" : ""));
}

// Exactly one box stays open: ticks must not stack boxes behind it.
void ExpectOnlyBox(const UpdaterProcess& updater, const MessageBoxView& box, milliseconds duration) {
  const bool stacked = WaitUntil(
      [&] {
        int boxes = 0;
        for (HWND w : VisibleTopLevels(updater.Pid()))
          if (GetDlgItem(w, 0xFFFF)) ++boxes;
        return boxes != 1 || !IsWindow(box.box);
      },
      duration);
  E2E_CHECK(!stacked, "another box opened behind " + Quote(box.text) + " (or it closed by itself)");
}

InputBoxView ExpectPrompt(const UpdaterProcess& updater, const MainWindowView& main,
                          const std::wstring& defaultText) {
  const InputBoxView prompt = updater.WaitForInputBox(kDialogTimeout);
  E2E_CHECK_EQ(prompt.title, std::wstring(L"Setup"));
  E2E_CHECK(prompt.ShowsLabel(kPrompt), "the prompt text is missing");
  E2E_CHECK(prompt.ok && prompt.cancel, "the prompt lacks OK or Annulla");
  E2E_CHECK(prompt.Owner() == main.window, "the prompt is not owned by the window");
  E2E_CHECK_EQ(prompt.Text(), defaultText);
  return prompt;
}

// Answers the prompt and waits until that showing of it has gone.
void Answer(const InputBoxView& prompt, const std::wstring& text, bool withEnterKey) {
  Log("typing " + Quote(text) + (withEnterKey ? " and Enter" : " and OK"));
  prompt.Type(text);
  if (withEnterKey) prompt.PressKey(VK_RETURN);
  else Click(prompt.ok);
  E2E_CHECK(WaitUntil([&] { return !IsWindow(prompt.dialog); }, kDialogTimeout),
            "the prompt did not close");
}

void PressAnnulla(const InputBoxView& prompt) {
  Click(prompt.cancel);
  E2E_CHECK(WaitUntil([&] { return !IsWindow(prompt.dialog); }, kDialogTimeout),
            "Annulla did not close the prompt");
}

void ExpectIdleAfterCancel(const UpdaterProcess& updater, const MainWindowView& main) {
  ExpectQuiet(updater, main, kButtonCaption, 1500ms);
  E2E_CHECK_EQ(main.Title(), std::wstring(L"Lumarso 2015"));
}

// Collects the button's captions as they change until `last` shows.
// Polls the button's caption, keeping each change, until `done(captions)`
// says so, the updater ends or a box shows.
template <class Done>
std::vector<std::wstring> WatchCaptionsUntil(const UpdaterProcess& updater,
                                             const MainWindowView& main, milliseconds timeout,
                                             Done done) {
  std::vector<std::wstring> seen;
  WaitUntil(
      [&] {
        const std::wstring caption = main.ButtonCaption();
        if (seen.empty() || seen.back() != caption) {
          seen.push_back(caption);
          Log(L"caption " + caption);
        }
        return done(seen) || !updater.Running() || FindMessageBox(updater.Pid());
      },
      timeout);
  return seen;
}

std::vector<std::wstring> WatchCaptions(const UpdaterProcess& updater, const MainWindowView& main,
                                        const std::wstring& last, milliseconds timeout) {
  return WatchCaptionsUntil(updater, main, timeout,
                            [&](const auto& captions) { return captions.back() == last; });
}

// The retry count a caption shows, or 0 when it shows none.
int CountOf(const std::wstring& caption) {
  if (caption.empty() || caption.size() > 9) return 0;
  int count = 0;
  for (const wchar_t c : caption) {
    if (c < L'0' || c > L'9') return 0;
    count = count * 10 + (c - L'0');
  }
  return count;
}

// Watches the button while the count restarts (falls to 3 or less, below
// the caption `before` shown when the user acted, or from no count at all)
// and rises again to `reach`.  The
// button is polled from another process; under load a poll can miss a step of
// the fast retry build, so a skipped count is allowed, a count that fails to
// rise is not.
void WatchCountRestart(const UpdaterProcess& updater, const MainWindowView& main,
                       const std::wstring& before, int reach, milliseconds timeout,
                       const std::string& what) {
  const auto seen = WatchCaptionsUntil(updater, main, timeout, [&](const auto& captions) {
    int previous = CountOf(before);
    for (std::size_t i = 0; i < captions.size(); ++i) {
      const int count = CountOf(captions[i]);
      if (count == 0 || count > 3 || (previous != 0 && count >= previous)) {
        previous = count;
        continue;
      }
      // Restarted at captions[i]: from here the count must rise to `reach`.
      int last = count;
      for (std::size_t j = i + 1; j < captions.size(); ++j) {
        const int next = CountOf(captions[j]);
        E2E_CHECK(next > last, what + ": after restarting at " + std::to_string(count) +
                                   " the caption went " + Quote(captions[j]));
        last = next;
      }
      return last >= reach;
    }
    return false;
  });
  E2E_CHECK(updater.Running(), what + ": the updater ended");
  E2E_CHECK(!FindMessageBox(updater.Pid()) && !FindInputBox(updater.Pid()), what + ": a box showed");
  E2E_CHECK(CountOf(seen.back()) >= reach && CountOf(seen.back()) <= 3 + reach,
            what + ": the count did not restart, the caption went " + Quote(seen.back()));
}

struct HostWithMakerKey {
  ScopedFolder root;
  ScopedMakerKey key;
  std::wstring host;
  explicit HostWithMakerKey(const char* name)
      : root(ScenarioRoot(name)), key(root.Path()), host(root.Path() + L"Quadrivo\\") {
    PlaceHostExe(host);
  }
};

void NoFallbackHost() { E2E_CHECK(RemoveTree(ProgramFilesVelto()), "cannot clear the fallback"); }

// ---------------------------------------------------------------------------

void MakerKey(const Options& o) {
  HostWithMakerKey setup("maker_key");
  // An older, shorter copy must end up replaced by exactly the payload.
  {
    HeldFile stale(JoinPath(setup.host, kZip));
  }
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  E2E_CHECK_EQ(main.ButtonCaption(), std::wstring(kButtonCaption));
  Shot(o, main.window, L"window.bmp");
  ExpectQuiet(updater, main, kButtonCaption, 500ms);  // nothing happens before the click
  E2E_CHECK_EQ(FileSize(JoinPath(setup.host, kZip)), std::int64_t{0});

  Click(main.button);
  const MessageBoxView box = ExpectSuccessBox(updater, main);
  Shot(o, box.box, L"success.bmp");
  ExpectWritten(o, setup.host);  // written before the user is told
  E2E_CHECK(box.Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, setup.host);
  ExpectFolderHolds(setup.host, {L"Quadrivo.exe", kZip});
}

void ProgramFilesFallback(const Options& o) {
  RemoveMakerKey();
  ScopedFolder velto(ProgramFilesVelto());
  ScopedFolder root(ScenarioRoot("program_files"));
  PlaceHostExe(FallbackHost());
  UpdaterProcess updater(o.exe, root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  E2E_CHECK(ExpectSuccessBox(updater, main).Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, FallbackHost());
  ExpectFolderHolds(FallbackHost(), {L"Quadrivo.exe", kZip});
}

void PromptTypedFolder(const Options& o) {
  ScopedFolder root(ScenarioRoot("prompt"));
  // The maker's folder without its trailing backslash: joined as it stands.
  ScopedMakerKey key(root.Path() + L"maker");
  // Neither a folder named Quadrivo.exe nor a hidden Quadrivo.exe is the host.
  E2E_CHECK(MakeFolders(root.Path() + L"makerQuadrivo\\Quadrivo.exe"), "setup");
  const std::wstring hiddenHost = root.Path() + L"hidden";
  PlaceHostExe(hiddenHost);
  SetFileAttributesW(JoinPath(hiddenHost, L"Quadrivo.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const std::wstring host = root.Path() + L"host";
  PlaceHostExe(host);

  UpdaterProcess updater(o.exe, root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  InputBoxView prompt = ExpectPrompt(updater, main, root.Path() + L"makerQuadrivo\\");
  Shot(o, prompt.dialog, L"prompt.bmp");

  Answer(prompt, hiddenHost, false);
  prompt = ExpectPrompt(updater, main, hiddenHost + L"\\");
  Answer(prompt, host, true);  // typed without a trailing backslash, Enter for OK

  E2E_CHECK(ExpectSuccessBox(updater, main).Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, host);
  E2E_CHECK(!FileExists(JoinPath(hiddenHost, kZip)), "written into the hidden host's folder");
}

void Cancel(const Options& o) {
  RemoveMakerKey();
  NoFallbackHost();
  ScopedFolder root(ScenarioRoot("cancel"));
  UpdaterProcess updater(o.exe, root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);

  Click(main.button);
  InputBoxView prompt = ExpectPrompt(updater, main, FallbackHost());
  prompt.PressKey(VK_ESCAPE);
  E2E_CHECK(WaitUntil([&] { return !IsWindow(prompt.dialog); }, kDialogTimeout),
            "Esc did not close the prompt");
  ExpectIdleAfterCancel(updater, main);

  Click(main.button);
  prompt = ExpectPrompt(updater, main, FallbackHost());
  PressAnnulla(prompt);
  ExpectIdleAfterCancel(updater, main);

  Click(main.button);
  prompt = ExpectPrompt(updater, main, FallbackHost());
  Answer(prompt, L"", false);  // a cleared field counts as Annulla
  ExpectIdleAfterCancel(updater, main);

  E2E_CHECK(!FileExists(FallbackHost() + kZip), "written in the fallback folder");
  ExpectFolderHolds(root.Path(), {});
  PressSysClose(main);
  ExpectEnded(updater, kClosedBeforeSuccess);
}

void RetriesThenSuccess(const Options& o) {
  HostWithMakerKey setup("retries");
  const std::wstring target = JoinPath(setup.host, kZip);
  HeldFile held(target);
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);

  const auto seen = WatchCaptions(updater, main, L"3", RetryTimeout(o, 3));
  E2E_CHECK(updater.Running(), "the updater ended while the target was held");
  E2E_CHECK(!FindMessageBox(updater.Pid()), "a box showed while the target was held");
  const std::vector<std::wstring> counting = {kButtonCaption, L"1", L"2", L"3"};
  E2E_CHECK(seen == counting, "the caption did not count 1, 2, 3 but went " + [&] {
    std::string s;
    for (const auto& c : seen) s += Quote(c) + " ";
    return s;
  }());
  Shot(o, main.window, L"retry.bmp", 30);  // before the next retry changes the count

  held.Release();
  const MessageBoxView box = ExpectSuccessBox(updater, main);
  ExpectOnlyBox(updater, box, RetryInterval(o) * 4);
  E2E_CHECK(box.Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, setup.host);
  ExpectFolderHolds(setup.host, {L"Quadrivo.exe", kZip});
}

// A click while retrying runs the whole command again: the count restarts.
void ClickDuringRetries(const Options& o) {
  HostWithMakerKey setup("click_retries");
  HeldFile held(JoinPath(setup.host, kZip));
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  E2E_CHECK(WatchCaptions(updater, main, L"3", RetryTimeout(o, 3)).back() == L"3",
            "the retries were not counted up to 3");

  const std::wstring before = main.ButtonCaption();
  Click(main.button);
  WatchCountRestart(updater, main, before, 2, RetryTimeout(o, 3), "after the second click");

  held.Release();
  E2E_CHECK(ExpectSuccessBox(updater, main).Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, setup.host);
}

// Holds the target until the question after 40 failed retries shows.
MessageBoxView ReachTheQuestion(const Options& o, const UpdaterProcess& updater,
                                const MainWindowView& main) {
  Click(main.button);
  const MessageBoxView question = updater.WaitForMessageBox(RetryTimeout(o, 41));
  E2E_CHECK_EQ(question.text, std::wstring(L"Interrompere?"));
  E2E_CHECK_EQ(question.title, std::wstring(L"Attenzione"));
  E2E_CHECK_EQ(main.ButtonCaption(), std::wstring(L"40"));
  ExpectNoOtherButtons(question, {IDYES, IDNO});
  E2E_CHECK(question.IsDefault(IDYES), "Yes is not the default button");
  E2E_CHECK(!question.IsDefault(IDNO), "No is a default button");
  E2E_CHECK(question.Owner() == main.window, "the question is not owned by the window");
  ExpectIcon(question, BoxIcon::Question);
  ExpectOnlyBox(updater, question, RetryInterval(o) * 4);
  E2E_CHECK_EQ(main.ButtonCaption(), std::wstring(L"40"));
  return question;
}

void QuestionYes(const Options& o) {
  HostWithMakerKey setup("question_yes");
  const std::wstring target = JoinPath(setup.host, kZip);
  HeldFile held(target);
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  E2E_CHECK(ReachTheQuestion(o, updater, main).Press(IDYES), "the box did not close");

  const MessageBoxView notice = updater.WaitForMessageBox(kDialogTimeout);
  E2E_CHECK_EQ(notice.text, std::wstring(L"Interrotto!"));
  E2E_CHECK_EQ(notice.title, std::wstring(L"Aggiornamento"));
  ExpectNoOtherButtons(notice, {IDOK});
  E2E_CHECK(notice.Owner() == main.window, "the notice is not owned by the window");
  ExpectIcon(notice, BoxIcon::Warning);
  ExpectOnlyBox(updater, notice, RetryInterval(o) * 3);
  // From now on any attempt would succeed: none may come.
  held.Release();
  E2E_CHECK(notice.Press(IDOK), "the box did not close");
  ExpectQuiet(updater, main, L"40", RetryInterval(o) * 5 + 1000ms);
  E2E_CHECK_EQ(FileSize(target), std::int64_t{0});

  PressSysClose(main);
  ExpectEnded(updater, kClosedBeforeSuccess);
  E2E_CHECK_EQ(FileSize(target), std::int64_t{0});
}

void QuestionNo(const Options& o) {
  HostWithMakerKey setup("question_no");
  HeldFile held(JoinPath(setup.host, kZip));
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  E2E_CHECK(ReachTheQuestion(o, updater, main).Press(IDNO), "the box did not close");

  WatchCountRestart(updater, main, L"40", 2, RetryTimeout(o, 3), "after No");

  held.Release();
  E2E_CHECK(ExpectSuccessBox(updater, main).Press(IDOK), "the box did not close");
  ExpectEnded(updater);
  ExpectWritten(o, setup.host);
}

void CloseDuringRetries(const Options& o) {
  HostWithMakerKey setup("close_retries");
  const std::wstring target = JoinPath(setup.host, kZip);
  HeldFile held(target);
  UpdaterProcess updater(o.exe, setup.root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  const auto seen = WatchCaptions(updater, main, L"1", RetryTimeout(o, 1));
  E2E_CHECK(seen.back() == L"1", "no retry was counted");

  PressSysClose(main);
  bool boxShown = false;
  WaitUntil(
      [&] {
        boxShown = boxShown || FindMessageBox(updater.Pid()) || FindInputBox(updater.Pid());
        return !updater.Running();
      },
      kExitTimeout);
  E2E_CHECK(!boxShown, "a box showed after the window was closed");
  ExpectEnded(updater, kClosedBeforeSuccess);
  held.Release();
  E2E_CHECK_EQ(FileSize(target), std::int64_t{0});
}

void RejectedFolderText(const Options& o) {
  RemoveMakerKey();
  NoFallbackHost();
  ScopedFolder root(ScenarioRoot("rejected"));
  UpdaterProcess updater(o.exe, root.Path());
  const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
  Click(main.button);
  InputBoxView prompt = ExpectPrompt(updater, main, FallbackHost());

  // Texts the file system refuses outright: each brings the prompt back.
  const std::wstring rejected[] = {
      L"C:\\a<b|c\"d",
      L"C:\\" + std::wstring(3000, L'x'),
      L"?*:\\\\",
  };
  for (const auto& text : rejected) {
    Answer(prompt, text, false);
    E2E_CHECK(updater.Running(), "the updater ended on the text " + Quote(text));
    const std::wstring expected = text.back() == L'\\' ? text : text + L"\\";
    prompt = ExpectPrompt(updater, main, expected);
  }
  PressAnnulla(prompt);
  ExpectIdleAfterCancel(updater, main);
  PressSysClose(main);
  ExpectEnded(updater, kClosedBeforeSuccess);
}

// The runs after the first: a copy that already holds the archive is left as
// it is, at once even while a viewer shows it; a copy that differs is replaced.
void CurrentCopy(const Options& o) {
  HostWithMakerKey setup("current_copy");
  const std::wstring target = JoinPath(setup.host, kZip);
  const std::int64_t size = PlacePayloadCopy(o.exe, target);
  E2E_CHECK(size > 0, "cannot place a copy of the archive");
  DateBack(target);
  const std::uint64_t dated = LastWriteTime(target);
  auto run = [&](const char* what) {
    Log(std::string("run: ") + what);
    UpdaterProcess updater(o.exe, setup.root.Path());
    const MainWindowView main = updater.WaitForMainWindow(kStartTimeout);
    const auto clicked = std::chrono::steady_clock::now();
    Click(main.button);
    const MessageBoxView box = ExpectSuccessBox(updater, main);
    const auto ms = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - clicked);
    Log("the box showed " + std::to_string(ms.count()) + " ms after the click");
    E2E_CHECK_EQ(main.ButtonCaption(), std::wstring(kButtonCaption));  // no failed attempt
    ExpectWritten(o, setup.host);
    E2E_CHECK(box.Press(IDOK), "the box did not close");
    ExpectEnded(updater);
    ExpectFolderHolds(setup.host, {L"Quadrivo.exe", kZip});
  };

  run("the copy holds the archive");
  E2E_CHECK(LastWriteTime(target) == dated, "the current copy was written again");
  {
    // Writing would fail while the viewer holds it: the attempt must not try.
    ViewedFile viewer(target);
    run("the same copy, shown by a viewer that shares only reading");
  }
  E2E_CHECK(LastWriteTime(target) == dated, "the viewed copy was written again");

  E2E_CHECK(PlacePayloadCopy(o.exe, target, size - 1) == size, "cannot change the copy");
  DateBack(target);
  run("the copy's last byte differs");
  E2E_CHECK(LastWriteTime(target) != dated, "the differing copy was not replaced");
}

}  // namespace

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> all = {
      {"maker_key", "host found through the maker's key; written, told, ended", MakerKey},
      {"program_files_fallback", "no maker key: host under Program Files", ProgramFilesFallback},
      {"prompt_typed_folder", "host not found: prompt, folder typed without backslash",
       PromptTypedFolder},
      {"cancel", "prompt cancelled by Esc, Annulla and an emptied field", Cancel},
      {"retries_then_success", "target held: caption counts 1, 2, 3; released: written",
       RetriesThenSuccess},
      {"click_during_retries", "a second click restarts the count", ClickDuringRetries},
      {"question_yes", "40 failed retries, Interrompere? answered Yes", QuestionYes},
      {"question_no", "40 failed retries, Interrompere? answered No", QuestionNo},
      {"close_during_retries", "window closed while retrying", CloseDuringRetries},
      {"rejected_folder_text", "folder texts the file system rejects", RejectedFolderText},
      {"current_copy", "a current copy (also while viewed) is left alone; a differing one replaced",
       CurrentCopy},
  };
  return all;
}

}  // namespace e2e
