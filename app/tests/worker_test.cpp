// The attempt on its own thread: the window's thread keeps the state, draws
// the progress the worker posts, ignores the button meanwhile, shows every
// box, and stops the worker when the window is closed.
#include <thread>

#include <gtest/gtest.h>

#include "app/exit_codes.h"
#include "app/tests/rig.h"

namespace app::testing {
namespace {

using platform::doubles::FileOp;

constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";

class Working : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.SetMakerFolder("C:\\Velto\\");
    rig.MakeHost(kHost);
    // An older copy of the same size: compared first, then replaced.
    old = rig.archive;
    old.back() ^= std::byte{1};
    rig.files.PutFile(std::wstring(kHost) + kZip, old);
    rig.files.BeforeCall(FileOp::Write, [this] { gate.Pass(); });
  }
  // Clicks and waits until the worker is held inside its write.
  void ClickIntoTheWrite() {
    rig.window.ClickOnly();
    ASSERT_TRUE(gate.Arrived());
  }

  Rig rig;
  Gate gate;
  std::vector<std::byte> old;
};

TEST_F(Working, ProgressRisesAndIsPostedNotDrawnByTheWorker) {
  ClickIntoTheWrite();
  EXPECT_TRUE(rig.window.Working());
  EXPECT_GE(rig.window.TakePosts(), 1);
  // The compare (half the work) is done, the write not yet.
  ASSERT_FALSE(rig.window.Progress().empty());
  EXPECT_EQ(rig.window.Progress().back(), std::make_pair(true, 500u));
  gate.Open();

  EXPECT_TRUE(rig.Settle());

  std::uint32_t last = 0;
  for (const auto& [counted, position] : rig.window.Progress()) {
    if (!counted) continue;
    EXPECT_GE(position, last);
    last = position;
  }
  // The rename, which gives no count, was the last step.
  EXPECT_EQ(rig.window.Progress().back(), std::make_pair(false, 0u));
  EXPECT_FALSE(rig.window.Working());
  EXPECT_EQ(rig.window.CallsFromOtherThreads(), 0);
  EXPECT_TRUE(rig.Written(kHost));
}

TEST_F(Working, ClicksAndTicksDuringTheWorkDoNothing) {
  ClickIntoTheWrite();
  rig.window.ClickOnly();
  rig.window.SetTimerEnabled(true);  // as if retries were pending
  EXPECT_TRUE(rig.window.FireTickOnly());
  rig.window.QueueClick();
  rig.window.RunPendingMessages();
  gate.Open();

  EXPECT_TRUE(rig.Settle());

  EXPECT_EQ(rig.Attempts(), 1);
  EXPECT_EQ(rig.BoxesWithText(kDone), 1u);
  EXPECT_EQ(rig.window.ButtonCaption(), L"Installa il manuale");
}

TEST_F(Working, ClosingDuringTheWriteStopsItAndLeavesTheOldCopy) {
  ClickIntoTheWrite();
  // The write in hand ends; the close is heard at the next call.
  std::thread opener([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.Open();
  });
  const int code = rig.form().Closed();
  opener.join();

  EXPECT_EQ(code, kExitCancelled);
  EXPECT_EQ(rig.files.Content(std::wstring(kHost) + kZip), old);
  EXPECT_EQ(rig.files.Names(kHost), (std::vector<std::wstring>{kZip, L"Quadrivo.exe"}));
  EXPECT_EQ(rig.files.OpenFiles(), 0);
  EXPECT_EQ(rig.dialogs.MessageCount(), 0u);
  EXPECT_EQ(rig.process.endCalls, 0);
}

TEST_F(Working, TheRetryTicksAttemptRunsOnTheWorkerAndItsBoxOnTheWindowsThread) {
  rig.files.ClearFailures();
  rig.HoldTarget(kHost);
  ASSERT_FALSE(rig.Click());
  rig.Release();
  std::thread::id attemptThread;
  rig.files.BeforeCall(FileOp::CreateNew, [&] { attemptThread = std::this_thread::get_id(); });
  std::thread::id boxThread;
  int endedBeforeTheBox = -1;
  rig.dialogs.AnswerMessage(platform::Answer::Ok, [&] {
    boxThread = std::this_thread::get_id();
    endedBeforeTheBox = rig.process.endCalls;
  });

  EXPECT_TRUE(rig.Tick());

  EXPECT_NE(attemptThread, std::thread::id());
  EXPECT_NE(attemptThread, std::this_thread::get_id());
  EXPECT_EQ(boxThread, std::this_thread::get_id());
  EXPECT_EQ(endedBeforeTheBox, 0);
  EXPECT_EQ(rig.process.endCalls, 1);
  EXPECT_TRUE(rig.Written(kHost));
}

}  // namespace
}  // namespace app::testing
