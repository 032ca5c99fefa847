// The retry tick: counting on the button, the question after 40 failures,
// success during retries, and errors turned into counted failures.
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/tests/rig.h"

namespace app::testing {
namespace {

constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";

// A failed first attempt: the timer runs, the target is held open.
class Retrying : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(rig.ClickIntoRetries());
    ASSERT_TRUE(rig.window.TimerEnabled());
  }
  void FailRetries(int n) {
    for (int i = 0; i < n; ++i) rig.TickExpectingFailure();
  }

  Rig rig;
};

TEST_F(Retrying, EachFailureCountsOnTheButtonThenRunsPendingMessagesOnce) {
  FailRetries(3);
  EXPECT_EQ(rig.window.CaptionHistory(), (std::vector<std::wstring>{L"Installa il manuale", L"1", L"2", L"3"}));
  EXPECT_EQ(rig.window.PendingRuns(), 3);
  EXPECT_EQ(rig.Attempts(), 4);
  EXPECT_TRUE(rig.window.TimerEnabled());
  EXPECT_TRUE(rig.dialogs.Shown().empty());
}

TEST_F(Retrying, QueuedClickRunsInsideTheTicksMessagePump) {
  rig.window.QueueClick();
  rig.TickExpectingFailure();
  // The click ran after the caption was set and reset the count.
  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
  EXPECT_EQ(rig.form().lngAttempts, 0);
  EXPECT_EQ(rig.Attempts(), 3);
}

TEST_F(Retrying, SuccessShowsTheBoxWithTheTimerStillRunningThenEnds) {
  FailRetries(2);
  rig.Release();
  bool timerDuringBox = false;
  rig.dialogs.AnswerMessage(platform::Answer::Ok, [&] { timerDuringBox = rig.window.TimerEnabled(); });

  EXPECT_TRUE(rig.Tick());

  EXPECT_TRUE(timerDuringBox);
  EXPECT_FALSE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.process.endCalls, 1);
  EXPECT_TRUE(rig.Written(kHost));
  ASSERT_EQ(rig.dialogs.Shown().size(), 1u);
  const auto& box = rig.dialogs.Shown().front();
  EXPECT_EQ(box.text, kDone);
  EXPECT_EQ(box.title, L"Velto S.r.l.");
  EXPECT_EQ(box.icon, platform::Icon::Information);
  EXPECT_EQ(box.buttons, platform::Buttons::Ok);
  EXPECT_EQ(rig.window.ButtonCaption(), L"2");
}

TEST_F(Retrying, QuestionComesOnTheTickAfterTheFortiethFailure) {
  FailRetries(40);
  EXPECT_TRUE(rig.dialogs.Shown().empty());
  EXPECT_EQ(rig.window.ButtonCaption(), L"40");

  rig.dialogs.AnswerMessage(platform::Answer::No);
  rig.TickExpectingFailure();

  ASSERT_EQ(rig.dialogs.Shown().size(), 1u);
  const auto& question = rig.dialogs.Shown().front();
  EXPECT_EQ(question.text, L"Interrompere?");
  EXPECT_EQ(question.title, L"Attenzione");
  EXPECT_EQ(question.icon, platform::Icon::Question);
  EXPECT_EQ(question.buttons, platform::Buttons::YesNo);
}

TEST_F(Retrying, NoStartsTheCountAgain) {
  FailRetries(40);
  rig.dialogs.AnswerMessage(platform::Answer::No);
  rig.TickExpectingFailure();

  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
  EXPECT_EQ(rig.form().lngAttempts, 1);
  EXPECT_EQ(rig.Attempts(), 42);
  EXPECT_TRUE(rig.window.TimerEnabled());
  // The next question comes 40 failures later.
  FailRetries(39);
  EXPECT_EQ(rig.dialogs.MessageCount(), 1u);
  rig.dialogs.AnswerMessage(platform::Answer::No);
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.dialogs.MessageCount(), 2u);
}

TEST_F(Retrying, YesStopsWithoutAnAttemptAndKeepsTheCaption) {
  FailRetries(40);
  const int attempts = rig.Attempts();
  bool timerDuringNotice = true;
  rig.dialogs.AnswerMessage(platform::Answer::Yes);
  rig.dialogs.AnswerMessage(platform::Answer::Ok,
                            [&] { timerDuringNotice = rig.window.TimerEnabled(); });

  rig.TickExpectingFailure();

  EXPECT_FALSE(rig.window.TimerEnabled());
  EXPECT_FALSE(timerDuringNotice);
  EXPECT_EQ(rig.Attempts(), attempts);
  EXPECT_EQ(rig.window.ButtonCaption(), L"40");
  EXPECT_EQ(rig.form().lngAttempts, 40);
  ASSERT_EQ(rig.dialogs.Shown().size(), 2u);
  const auto& notice = rig.dialogs.Shown()[1];
  EXPECT_EQ(notice.text, L"Interrotto!");
  EXPECT_EQ(notice.title, L"Aggiornamento");
  EXPECT_EQ(notice.icon, platform::Icon::Warning);
  EXPECT_EQ(notice.buttons, platform::Buttons::Ok);
  // Idle: no further tick is delivered until the next click, so no attempt.
  EXPECT_FALSE(rig.window.FireTick());
  EXPECT_EQ(rig.Attempts(), attempts);
}

TEST_F(Retrying, AnErrorInsideTheTickIsOneMoreFailure) {
  FailRetries(40);
  rig.dialogs.AnswerMessage(platform::Answer::Yes,
                            [] { throw std::runtime_error("the box could not be shown"); });
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.window.ButtonCaption(), L"41");
  EXPECT_TRUE(rig.window.TimerEnabled());

  rig.dialogs.AnswerMessage(platform::Answer::No, [] {
    throw modreg::RuntimeError(5, L"Chiamata di routine o argomento non validi", L"Lumarso2015");
  });
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.window.ButtonCaption(), L"42");
  EXPECT_EQ(rig.window.PendingRuns(), 42);
  EXPECT_EQ(rig.dialogs.MessageCount(), 2u) << "asked again at 41";
}

TEST_F(Retrying, TheEndOfTheProgramIsNotTrappedAsAnError) {
  FailRetries(40);
  rig.dialogs.AnswerMessage(platform::Answer::No, [&] { rig.process.EndNow(); });
  EXPECT_TRUE(rig.Tick());
  EXPECT_EQ(rig.window.ButtonCaption(), L"40");
}

}  // namespace
}  // namespace app::testing
