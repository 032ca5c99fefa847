// Ticks that arrive while a box is open, or while the tick's own message
// pump runs, are ignored; the next tick runs again.
#include <string>

#include <gtest/gtest.h>

#include "app/tests/rig.h"

namespace app::testing {
namespace {

constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";

class ReentrantTicks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(rig.ClickIntoRetries());
  }
  // Fires the given number of ticks, as a modal loop would dispatch them.
  auto TicksWhileOpen(int n) {
    return [this, n] {
      for (int i = 0; i < n; ++i) delivered += rig.window.FireTick() ? 1 : 0;
    };
  }

  Rig rig;
  int delivered = 0;
};

TEST_F(ReentrantTicks, TicksBehindTheQuestionAreIgnored) {
  for (int i = 0; i < 40; ++i) rig.TickExpectingFailure();
  const int attempts = rig.Attempts();
  rig.dialogs.AnswerMessage(platform::Answer::No, TicksWhileOpen(14));

  rig.TickExpectingFailure();

  EXPECT_EQ(delivered, 14);  // the window did deliver them
  EXPECT_EQ(rig.dialogs.MessageCount(), 1u);
  EXPECT_EQ(rig.Attempts(), attempts + 1);
  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
}

TEST_F(ReentrantTicks, TicksBehindTheStopNoticeAreIgnored) {
  for (int i = 0; i < 40; ++i) rig.TickExpectingFailure();
  const int attempts = rig.Attempts();
  rig.dialogs.AnswerMessage(platform::Answer::Yes);
  // Still queued when the timer was switched off: a late tick must not run.
  rig.dialogs.AnswerMessage(platform::Answer::Ok, [&] {
    rig.window.SetTimerEnabled(true);
    TicksWhileOpen(3)();
    rig.window.SetTimerEnabled(false);
  });

  rig.TickExpectingFailure();

  EXPECT_EQ(delivered, 3);
  EXPECT_EQ(rig.dialogs.MessageCount(), 2u);
  EXPECT_EQ(rig.Attempts(), attempts);
  EXPECT_EQ(rig.window.ButtonCaption(), L"40");
}

TEST_F(ReentrantTicks, TicksBehindTheSuccessBoxOfTheTicksOwnAttemptAreIgnored) {
  rig.TickExpectingFailure();
  rig.Release();
  const int attempts = rig.Attempts();
  rig.dialogs.AnswerMessage(platform::Answer::Ok, TicksWhileOpen(5));

  EXPECT_TRUE(rig.Tick());

  EXPECT_EQ(delivered, 5);
  EXPECT_EQ(rig.BoxesWithText(kDone), 1u);
  EXPECT_EQ(rig.Attempts(), attempts + 1);
  EXPECT_EQ(rig.process.endCalls, 1);
}

TEST_F(ReentrantTicks, TicksQueuedForTheTicksOwnMessagePumpAreIgnored) {
  rig.window.QueueTick();
  rig.window.QueueTick();
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.window.Queued(), 0u);
  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
  EXPECT_EQ(rig.Attempts(), 2);
}

TEST_F(ReentrantTicks, AfterAnIgnoredTickTheNextOneRunsAgain) {
  rig.dialogs.AnswerMessage(platform::Answer::No, TicksWhileOpen(1));
  for (int i = 0; i < 41; ++i) rig.TickExpectingFailure();
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.window.ButtonCaption(), L"2");
}

TEST_F(ReentrantTicks, ATickDuringTheClicksPromptRunsWithThePreviousTarget) {
  rig.TickExpectingFailure();
  rig.TickExpectingFailure();
  // The second click finds no host and asks; a tick falls due meanwhile.
  rig.SetMakerFolder("C:\\Altro\\");
  std::wstring targetDuringTick;
  rig.dialogs.CancelInput([&] {
    TicksWhileOpen(1)();
    targetDuringTick = rig.form().strTargetDir;
  });

  EXPECT_FALSE(rig.Click());

  EXPECT_EQ(delivered, 1);
  EXPECT_EQ(targetDuringTick, kHost);
  // The click had reset the count before asking; the tick then counted one.
  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
  EXPECT_EQ(rig.form().lngAttempts, 1);
  EXPECT_EQ(rig.Attempts(), 4);
}

TEST_F(ReentrantTicks, ATickDuringTheClicksPromptCanSucceedAndEnd) {
  rig.SetMakerFolder("C:\\Altro\\");
  rig.dialogs.AnswerInput(L"C:\\Altro\\", [&] {
    rig.Release();
    TicksWhileOpen(1)();
  });

  EXPECT_TRUE(rig.Click());

  EXPECT_TRUE(rig.Written(kHost));
  EXPECT_EQ(rig.BoxesWithText(kDone), 1u);
  EXPECT_EQ(rig.process.endCalls, 1);
}

}  // namespace
}  // namespace app::testing
