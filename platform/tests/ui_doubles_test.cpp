// The window and dialog doubles keep the promises the logic's tests rely on:
// ticks only while the timer runs, modal callbacks, and the default answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_window.h"

namespace platform::doubles {
namespace {

struct Recorder final : WindowEvents {
  void OnButtonClick() override { log.push_back(L"click"); }
  void OnTimerTick() override { log.push_back(L"tick"); }
  std::vector<std::wstring> log;
};

TEST(FakeWindow, DeliversTicksOnlyWhileTheTimerRunsAndOnlyOnceShown) {
  FakeWindow window;
  Recorder events;
  window.SetTimerEnabled(true);
  EXPECT_FALSE(window.FireTick());  // no window yet
  window.Show(events);
  EXPECT_TRUE(window.FireTick());
  window.SetTimerEnabled(false);
  EXPECT_FALSE(window.FireTick());
  EXPECT_EQ(events.log, (std::vector<std::wstring>{L"tick"}));
}

TEST(FakeWindow, PendingMessagesRunInOrderUntilTheQueueIsEmpty) {
  FakeWindow window;
  Recorder events;
  window.Show(events);
  window.QueueClick();
  window.QueueTick();  // dropped: the timer is off when it comes up, as a late WM_TIMER is
  window.RunPendingMessages();
  EXPECT_EQ(events.log, (std::vector<std::wstring>{L"click"}));

  window.SetTimerEnabled(true);
  window.QueueTick();
  window.QueueClick();
  window.RunPendingMessages();
  EXPECT_EQ(events.log, (std::vector<std::wstring>{L"click", L"tick", L"click"}));
  EXPECT_EQ(window.Queued(), 0u);
  EXPECT_EQ(window.PendingRuns(), 2);
}

TEST(FakeWindow, KeepsTheCaptionsItWasGiven) {
  FakeWindow window;
  EXPECT_EQ(window.ButtonCaption(), L"");
  EXPECT_EQ(window.Caption(), L"");
  window.SetCaption(L"Lumarso 2015");
  EXPECT_EQ(window.Caption(), L"Lumarso 2015");
  window.SetButtonCaption(L"1");
  window.SetButtonCaption(L"2");
  EXPECT_EQ(window.ButtonCaption(), L"2");
  EXPECT_EQ(window.CaptionHistory(), (std::vector<std::wstring>{L"1", L"2"}));
}

TEST(FakeDialogs, UnscriptedBoxesTakeTheDefaultButtonAndPromptsAreCancelled) {
  FakeDialogs dialogs;
  EXPECT_EQ(dialogs.MessageBox(L"a", Icon::Question, Buttons::YesNo, L"t"), Answer::Yes);
  EXPECT_EQ(dialogs.MessageBox(L"b", Icon::Warning, Buttons::Ok, L""), Answer::Ok);
  EXPECT_EQ(dialogs.InputBox(L"p", L"Setup", L"C:\\"), L"");
  ASSERT_EQ(dialogs.Shown().size(), 3u);
  EXPECT_EQ(dialogs.Shown()[0].icon, Icon::Question);
  EXPECT_EQ(dialogs.Shown()[0].buttons, Buttons::YesNo);
  EXPECT_EQ(dialogs.Shown()[2].kind, BoxKind::Input);
  EXPECT_EQ(dialogs.Shown()[2].defaultText, L"C:\\");
  EXPECT_EQ(dialogs.InputCount(), 1u);
  EXPECT_EQ(dialogs.MessageCount(), 2u);
}

TEST(FakeDialogs, ScriptedAnswersComeInOrderWithTheBoxOpenDuringTheirCallback) {
  FakeDialogs dialogs;
  int openInside = 0;
  dialogs.AnswerMessage(Answer::No, [&] {
    openInside = dialogs.OpenNow();
    // A box opened from behind the first one is recorded after it.
    dialogs.MessageBox(L"inner", Icon::Information, Buttons::Ok, L"");
  });
  dialogs.AnswerInput(L"D:\\x");
  EXPECT_EQ(dialogs.MessageBox(L"outer", Icon::Question, Buttons::YesNo, L""), Answer::No);
  EXPECT_EQ(dialogs.InputBox(L"p", L"t", L""), L"D:\\x");
  EXPECT_EQ(openInside, 1);
  EXPECT_EQ(dialogs.OpenNow(), 0);
  ASSERT_EQ(dialogs.Shown().size(), 3u);
  EXPECT_EQ(dialogs.Shown()[1].text, L"inner");
  EXPECT_EQ(dialogs.UnusedAnswers(), 0u);
}

TEST(FakeDialogs, ABoxWhoseCallbackThrowsIsClosedAgain) {
  FakeDialogs dialogs;
  dialogs.AnswerMessage(Answer::Ok, [] { throw 42; });
  EXPECT_THROW(dialogs.MessageBox(L"x", Icon::Critical, Buttons::Ok, L""), int);
  EXPECT_EQ(dialogs.OpenNow(), 0);
}

}  // namespace
}  // namespace platform::doubles
