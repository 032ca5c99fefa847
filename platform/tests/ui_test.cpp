// The real main window, message boxes and folder prompt under Wine.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/dialogs.h"
#include "platform/win32/dpi.h"
#include "platform/win32/window.h"
#include "tests/support/win32/box_driver.h"
#include "tests/support/win32/window_probe.h"

namespace platform::testing {
namespace {

using platform::win32::Win32Dialogs;
using platform::win32::Win32MainWindow;
using test_support::BoxDriver;
using test_support::SeenBox;
using test_support::kPromptEditId;
using test_support::PressKey;
using test_support::ReadText;

struct CountingEvents final : WindowEvents {
  void OnButtonClick() override { ++clicks; }
  void OnTimerTick() override { ++ticks; }
  void OnWorkPosted() override { ++posts; }
  int clicks = 0;
  int ticks = 0;
  int posts = 0;
};

// Pumps messages until `done` holds or about `limitMs` passed.
template <typename Done>
void PumpUntil(Win32MainWindow& window, Done done, int limitMs = 5000) {
  for (int waited = 0; !done() && waited < limitMs; waited += 10) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    window.RunPendingMessages();
  }
}

RECT ClientRectOf(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle != nullptr) GetObjectW(handle, sizeof font, &font);
  return font;
}

// Closing a window posts WM_QUIT, which would end the next test's modal
// loops at once; each test starts without one.
void DrainQuit() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// One window for the whole suite: Wine takes a while to map a new window
// under Xvfb.  Each test starts from the idle look.
class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_ = new Shared;
    shared_->window.SetCaption(L"Lumarso 2015");
    shared_->window.SetButtonCaption(L"Installa il manuale");
    shared_->window.Show(shared_->events);
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
    DrainQuit();
  }
  void SetUp() override {
    DrainQuit();
    ASSERT_NE(window.hwnd(), nullptr);
    ASSERT_NE(window.button(), nullptr);
    window.SetTimerEnabled(false);
    window.SetWorking(false);
    window.SetButtonCaption(L"Installa il manuale");
    events = CountingEvents{};
  }

  struct Shared {
    CountingEvents events;
    Win32MainWindow window{GetModuleHandleW(nullptr), 1};
    Win32Dialogs dialogs{GetModuleHandleW(nullptr), window};
  };
  static inline Shared* shared_ = nullptr;

  HINSTANCE instance = GetModuleHandleW(nullptr);
  CountingEvents& events = shared_->events;
  Win32MainWindow& window = shared_->window;
  Win32Dialogs& dialogs = shared_->dialogs;
};

TEST_F(MainWindowTest, LooksAsDesignedAt96Dpi) {
  ASSERT_EQ(platform::win32::DpiForWindow(window.hwnd()), 96u);
  EXPECT_EQ(ReadText(window.hwnd()), L"Lumarso 2015");
  EXPECT_EQ(ReadText(window.button()), L"Installa il manuale");

  RECT client{};
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right - client.left, 557);
  EXPECT_EQ(client.bottom - client.top, 137);

  const RECT button = ClientRectOf(window.button(), window.hwnd());
  EXPECT_EQ(button.left, 15);
  EXPECT_EQ(button.top, 22);
  EXPECT_EQ(button.right - button.left, 529);
  EXPECT_EQ(button.bottom - button.top, 100);

  const LOGFONTW font = FontOf(window.button());
  EXPECT_EQ(font.lfHeight, -13);  // 9.75 pt at 96 DPI
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");

  // Fixed: no sizing border, no maximise box; visible, ownerless.
  const LONG style = GetWindowLongW(window.hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_VISIBLE, 0);
  EXPECT_EQ(GetWindow(window.hwnd(), GW_OWNER), nullptr);
  const LONG buttonStyle = GetWindowLongW(window.button(), GWL_STYLE);
  EXPECT_EQ(buttonStyle & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_NE(buttonStyle & WS_TABSTOP, 0);
}

TEST_F(MainWindowTest, CarriesTheExecutablesIconOne) {
  const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(window.hwnd(), GCLP_HICON));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon, LoadIconW(instance, MAKEINTRESOURCEW(1)));
  EXPECT_NE(GetClassLongPtrW(window.hwnd(), GCLP_HICONSM), 0u);
}

TEST_F(MainWindowTest, EnterAndSpacePressTheButton) {
  SetForegroundWindow(window.hwnd());
  SetFocus(window.hwnd());
  window.RunPendingMessages();
  ASSERT_EQ(GetFocus(), window.button()) << "the button takes the focus";

  PressKey(window.button(), VK_RETURN);
  PumpUntil(window, [&] { return events.clicks == 1; });
  EXPECT_EQ(events.clicks, 1);

  PressKey(window.button(), VK_SPACE);
  PumpUntil(window, [&] { return events.clicks == 2; });
  EXPECT_EQ(events.clicks, 2);

  SendMessageW(window.button(), BM_CLICK, 0, 0);
  EXPECT_EQ(events.clicks, 3);
  EXPECT_EQ(events.ticks, 0);
}

TEST_F(MainWindowTest, CaptionAndTimerFollowTheLogic) {
  window.SetButtonCaption(L"17");
  EXPECT_EQ(ReadText(window.button()), L"17");
  EXPECT_EQ(window.ButtonCaption(), L"17");

  window.SetTimerInterval(30);
  EXPECT_EQ(window.TimerInterval(), 30u);
  window.SetTimerEnabled(true);
  PumpUntil(window, [&] { return events.ticks >= 3; });
  EXPECT_GE(events.ticks, 3);

  window.SetTimerEnabled(false);
  EXPECT_FALSE(window.TimerEnabled());
  const int ticks = events.ticks;
  PumpUntil(window, [] { return false; }, 200);
  EXPECT_EQ(events.ticks, ticks);
}

TEST_F(MainWindowTest, FollowsTheMonitorsDpi) {
  const UINT dpi = 144;
  RECT suggested{100, 100, 0, 0};
  const SIZE size = platform::win32::WindowSizeForClient(836, 206, GetWindowLongW(window.hwnd(), GWL_STYLE),
                                                          0, dpi);
  suggested.right = suggested.left + size.cx;
  suggested.bottom = suggested.top + size.cy;
  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));

  const RECT button = ClientRectOf(window.button(), window.hwnd());
  EXPECT_EQ(button.left, 23);
  EXPECT_EQ(button.top, 33);
  EXPECT_EQ(button.right - button.left, 794);
  EXPECT_EQ(button.bottom - button.top, 150);
  EXPECT_EQ(FontOf(window.button()).lfHeight, -20);
  RECT window_rect{};
  GetWindowRect(window.hwnd(), &window_rect);
  EXPECT_EQ(window_rect.left, 100);
  EXPECT_EQ(window_rect.right - window_rect.left, size.cx);

  // And back: the design sizes exactly, not rounded twice.
  const SIZE back = platform::win32::WindowSizeForClient(
      557, 137, GetWindowLongW(window.hwnd(), GWL_STYLE), 0, 96);
  RECT original{100, 100, 100 + back.cx, 100 + back.cy};
  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&original));
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right, 557);
  EXPECT_EQ(client.bottom, 137);
  EXPECT_EQ(ClientRectOf(window.button(), window.hwnd()).right, 544);
  EXPECT_EQ(FontOf(window.button()).lfHeight, -13);
}

TEST_F(MainWindowTest, QuestionBoxIsOwnedYesIsDefaultAndNoIsReported) {
  BoxDriver driver(L"Attenzione", [](HWND box) {
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
  });
  const Answer answer = dialogs.MessageBox(L"Interrompere?", Icon::Question, Buttons::YesNo,
                                           L"Attenzione");
  const SeenBox& seen = driver.Seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(answer, Answer::No);
  EXPECT_EQ(seen.owner, window.hwnd());
  EXPECT_EQ(seen.text, L"Interrompere?");
  EXPECT_TRUE(seen.hasIcon);
  ASSERT_NE(seen.Button(IDYES), nullptr);
  ASSERT_NE(seen.Button(IDNO), nullptr);
  EXPECT_TRUE(seen.Button(IDYES)->isDefault);
  EXPECT_EQ(seen.Button(IDOK), nullptr);
}

TEST_F(MainWindowTest, EnterOnTheQuestionMeansYes) {
  BoxDriver driver(L"Attenzione", [](HWND box) { PressKey(GetDlgItem(box, IDYES), VK_RETURN); });
  EXPECT_EQ(dialogs.MessageBox(L"Interrompere?", Icon::Question, Buttons::YesNo, L"Attenzione"),
            Answer::Yes);
  EXPECT_TRUE(driver.Seen().found);
}

TEST_F(MainWindowTest, NoticeHasOnlyOk) {
  BoxDriver driver(L"Aggiornamento", [](HWND box) {
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(dialogs.MessageBox(L"Interrotto!", Icon::Warning, Buttons::Ok, L"Aggiornamento"),
            Answer::Ok);
  const SeenBox& seen = driver.Seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Interrotto!");
  EXPECT_EQ(seen.owner, window.hwnd());
  ASSERT_NE(seen.Button(IDOK), nullptr);
  EXPECT_EQ(seen.Button(IDYES), nullptr);
}

constexpr wchar_t kPrompt[] = L"Specificare il percorso in cui \u00e8 stato installato Quadrivo";

TEST_F(MainWindowTest, PromptShowsItsTextsSelectsTheDefaultAndReturnsTheTypedText) {
  BoxDriver driver(L"Setup", [](HWND box) {
    HWND edit = GetDlgItem(box, kPromptEditId);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D:\\Quadrivo"));
    PressKey(edit, VK_RETURN);
  });
  const std::wstring answer = dialogs.InputBox(kPrompt, L"Setup", L"C:\\Velto\\Quadrivo\\");
  const SeenBox& seen = driver.Seen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(answer, L"D:\\Quadrivo");
  EXPECT_EQ(seen.owner, window.hwnd());
  EXPECT_EQ(seen.title, L"Setup");
  EXPECT_EQ(seen.text, kPrompt);
  EXPECT_EQ(seen.edit, L"C:\\Velto\\Quadrivo\\");
  EXPECT_EQ(seen.selectionStart, 0u);
  EXPECT_EQ(seen.selectionEnd, seen.edit.size());
  EXPECT_TRUE(seen.editHasFocus);
  ASSERT_NE(seen.Button(IDOK), nullptr);
  ASSERT_NE(seen.Button(IDCANCEL), nullptr);
  EXPECT_EQ(seen.Button(IDOK)->text, L"OK");
  EXPECT_TRUE(seen.Button(IDOK)->isDefault);
  EXPECT_EQ(seen.Button(IDCANCEL)->text, L"Annulla");
}

TEST_F(MainWindowTest, PromptGivesEmptyTextOnEscAnnullaOrAClearedField) {
  {
    BoxDriver driver(L"Setup", [](HWND box) { PressKey(GetDlgItem(box, kPromptEditId), VK_ESCAPE); });
    EXPECT_EQ(dialogs.InputBox(kPrompt, L"Setup", L"C:\\x\\"), L"");
    EXPECT_TRUE(driver.Seen().found);
  }
  {
    BoxDriver driver(L"Setup", [](HWND box) {
      SendMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialogs.InputBox(kPrompt, L"Setup", L"C:\\x\\"), L"");
    EXPECT_TRUE(driver.Seen().found);
  }
  {
    BoxDriver driver(L"Setup", [](HWND box) {
      SendMessageW(GetDlgItem(box, kPromptEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
      SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialogs.InputBox(kPrompt, L"Setup", L"C:\\x\\"), L"");
    EXPECT_TRUE(driver.Seen().found);
  }
}

TEST_F(MainWindowTest, PromptKeepsALongDefaultWhole) {
  const std::wstring longText = L"C:\\" + std::wstring(2000, L'a') + L"\\";
  BoxDriver driver(L"Setup", [](HWND box) { PressKey(GetDlgItem(box, kPromptEditId), VK_RETURN); });
  EXPECT_EQ(dialogs.InputBox(kPrompt, L"Setup", longText), longText);
}

TEST_F(MainWindowTest, TicksKeepComingWhileABoxIsOpen) {
  window.SetTimerInterval(20);
  window.SetTimerEnabled(true);
  BoxDriver driver(L"Aggiornamento", [](HWND box) {
    Sleep(300);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  });
  (void)dialogs.MessageBox(L"Interrotto!", Icon::Warning, Buttons::Ok, L"Aggiornamento");
  window.SetTimerEnabled(false);
  // Why the tick handler guards itself against re-entry.
  EXPECT_GT(events.ticks, 0);
}

TEST_F(MainWindowTest, ProgressBarShowsLongWorkOnlyCountedOrMovingAndHearsTheWorker) {
  const HWND bar = window.progressBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetDlgCtrlID(bar), 1002);
  wchar_t className[64] = {};
  GetClassNameW(bar, className, 64);
  EXPECT_STREQ(className, PROGRESS_CLASSW);
  EXPECT_FALSE(IsWindowVisible(bar));
  const auto marquee = [&] { return (GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0; };

  // Work that ends within 0.3 s leaves the window as it was.
  window.SetWorking(true);
  window.SetProgress(true, 500);
  PumpUntil(window, [] { return false; }, 150);
  window.SetWorking(false);
  PumpUntil(window, [] { return false; }, 400);
  EXPECT_FALSE(IsWindowVisible(bar));

  const ULONGLONG started = GetTickCount64();
  window.SetWorking(true);
  window.SetProgress(true, 250);
  PumpUntil(window, [&] { return IsWindowVisible(bar) != FALSE; });
  ASSERT_TRUE(IsWindowVisible(bar));
  EXPECT_GE(GetTickCount64() - started, 250u);
  PBRANGE range{};
  SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, static_cast<int>(kProgressRange));
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 250);
  EXPECT_FALSE(marquee());
  window.SetProgress(false, 0);  // a flush: no count
  EXPECT_TRUE(marquee());
  window.SetProgress(true, 600);
  EXPECT_FALSE(marquee());
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 600);

  std::thread worker([&] { window.PostFromWorker(); });
  worker.join();
  PumpUntil(window, [&] { return events.posts == 1; });
  EXPECT_EQ(events.posts, 1);
  window.SetWorking(false);
  EXPECT_FALSE(IsWindowVisible(bar));
}

}  // namespace
}  // namespace platform::testing
