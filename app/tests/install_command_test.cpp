// The install command: the first candidate, the discovery loop, the first
// attempt and what it leaves behind.
#include <gtest/gtest.h>

#include "app/tests/rig.h"

namespace app::testing {
namespace {

using platform::doubles::BoxKind;

constexpr wchar_t kMakerHost[] = L"C:\\Velto\\Quadrivo\\";

TEST(InstallCommand, MakerFolderFoundWritesThereSaysSoAndEnds) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.MakeHost(kMakerHost);

  EXPECT_TRUE(rig.Click());

  EXPECT_TRUE(rig.Written(kMakerHost));
  EXPECT_EQ(rig.form().strTargetDir, kMakerHost);
  EXPECT_EQ(rig.dialogs.InputCount(), 0u);
  ASSERT_EQ(rig.BoxesWithText(kDone), 1u);
  EXPECT_EQ(rig.process.endCalls, 1);
  EXPECT_FALSE(rig.window.TimerEnabled());
}

TEST(InstallCommand, MakerLookupIsAskedTwiceAndItsSecondAnswerIsUsed) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.files.AddVolume(L'D', 1ull << 40);
  rig.MakeHost(L"D:\\Altrove\\Quadrivo\\");
  // Each lookup queries twice (size, then data); the third query starts the second lookup.
  rig.registry.BeforeCall(platform::doubles::RegCall::Query,
                          [&] { rig.SetMakerFolder("D:\\Altrove\\"); }, 3);

  EXPECT_TRUE(rig.Click());

  EXPECT_TRUE(rig.Written(L"D:\\Altrove\\Quadrivo\\"));
  EXPECT_FALSE(rig.AnyArchive(kMakerHost));
}

TEST(InstallCommand, ProgramFilesFallbackWhenTheMakerKeyIsMissing) {
  Rig rig;
  rig.SetProgramFiles("C:\\Program Files");
  rig.MakeHost(L"C:\\Program Files\\Velto\\Quadrivo\\");

  EXPECT_TRUE(rig.Click());

  EXPECT_TRUE(rig.Written(L"C:\\Program Files\\Velto\\Quadrivo\\"));
  EXPECT_EQ(rig.dialogs.InputCount(), 0u);
}

TEST(InstallCommand, FirstCandidateIsPlainConcatenation) {
  struct Case {
    const char* maker;  // nullptr: no maker key
    const char* programFiles;
    std::wstring candidate;
  };
  const Case cases[] = {
      // No separator is added after a maker folder without its backslash.
      {"C:\\Velto", "C:\\Program Files", L"C:\\VeltoQuadrivo\\"},
      {"C:\\Velto\\", "C:\\Program Files", L"C:\\Velto\\Quadrivo\\"},
      {nullptr, "C:\\Program Files\\", L"C:\\Program Files\\\\Velto\\Quadrivo\\"},
      // Both lookups empty: relative to the current drive's root.
      {nullptr, nullptr, L"\\Velto\\Quadrivo\\"},
      // An empty maker value counts as no answer.
      {"", nullptr, L"\\Velto\\Quadrivo\\"},
  };
  for (const Case& c : cases) {
    Rig rig;
    if (c.maker) rig.SetMakerFolder(c.maker);
    if (c.programFiles) rig.SetProgramFiles(c.programFiles);
    rig.dialogs.CancelInput();

    EXPECT_FALSE(rig.Click());

    ASSERT_EQ(rig.dialogs.InputCount(), 1u) << c.candidate;
    const auto& prompt = rig.dialogs.Shown().front();
    EXPECT_EQ(prompt.defaultText, c.candidate);
    EXPECT_EQ(prompt.text, kPrompt);
    EXPECT_EQ(prompt.title, L"Setup");
  }
}

TEST(InstallCommand, EachCandidateIsTestedForTheHostExecutableAsItStands) {
  Rig rig;
  rig.dialogs.AnswerInput(L"D:\\Nuovo");
  rig.dialogs.CancelInput();
  EXPECT_FALSE(rig.Click());

  std::vector<std::wstring> tested;
  for (const auto& call : rig.files.Calls()) {
    if (call.op == platform::doubles::FileOp::GetAttributes) tested.push_back(call.path);
  }
  // Both lookups empty: the root-relative folder is tested like any other.
  EXPECT_EQ(tested, (std::vector<std::wstring>{L"\\Velto\\Quadrivo\\Quadrivo.exe",
                                               L"D:\\Nuovo\\Quadrivo.exe"}));
}

TEST(InstallCommand, OnlyAnOrdinaryQuadrivoExeIsAccepted) {
  for (std::uint32_t attributes : {platform::kFileAttributeHidden | platform::kFileAttributeArchive,
                                   platform::kFileAttributeSystem | platform::kFileAttributeArchive}) {
    Rig rig;
    rig.SetMakerFolder("C:\\Velto\\");
    rig.MakeHost(kMakerHost, attributes);
    rig.dialogs.CancelInput();

    EXPECT_FALSE(rig.Click());

    EXPECT_EQ(rig.dialogs.InputCount(), 1u) << attributes;
    EXPECT_FALSE(rig.AnyArchive(kMakerHost));
  }
  // A folder of that name is no executable either.
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.files.MakeFolders(std::wstring(kMakerHost) + L"Quadrivo.exe\\");
  rig.dialogs.CancelInput();
  EXPECT_FALSE(rig.Click());
  EXPECT_EQ(rig.dialogs.InputCount(), 1u);
}

TEST(InstallCommand, TypedFolderGetsItsBackslashAndThePromptRepeatsUntilFound) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.MakeHost(L"C:\\Host\\");
  rig.dialogs.AnswerInput(L"C:\\Nowhere");
  rig.dialogs.AnswerInput(L"C:\\Host");

  EXPECT_TRUE(rig.Click());

  ASSERT_EQ(rig.dialogs.InputCount(), 2u);
  EXPECT_EQ(rig.dialogs.Shown()[0].defaultText, kMakerHost);
  // The prompt comes back with what was typed, backslash added.
  EXPECT_EQ(rig.dialogs.Shown()[1].defaultText, L"C:\\Nowhere\\");
  EXPECT_TRUE(rig.Written(L"C:\\Host\\"));
  EXPECT_EQ(rig.form().strTargetDir, L"C:\\Host\\");
}

TEST(InstallCommand, CancelAtTheFirstPromptChangesNothing) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.files.MakeFolders(kMakerHost);
  rig.dialogs.CancelInput();

  EXPECT_FALSE(rig.Click());

  EXPECT_EQ(rig.Attempts(), 0);
  EXPECT_FALSE(rig.AnyArchive(kMakerHost));
  EXPECT_FALSE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.window.ButtonCaption(), L"Installa il manuale");
  EXPECT_EQ(rig.dialogs.MessageCount(), 0u);
  EXPECT_TRUE(rig.form().strTargetDir.empty());
}

TEST(InstallCommand, AnEmptiedFieldCountsAsCancel) {
  Rig rig;
  rig.dialogs.AnswerInput(L"C:\\Nowhere");
  rig.dialogs.AnswerInput(L"");
  EXPECT_FALSE(rig.Click());
  EXPECT_EQ(rig.dialogs.InputCount(), 2u);
  EXPECT_EQ(rig.Attempts(), 0);
}

TEST(InstallCommand, FailedFirstAttemptStartsTheTimerSilently) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.MakeHost(kMakerHost);
  rig.HoldTarget(kMakerHost);

  EXPECT_FALSE(rig.Click());

  EXPECT_TRUE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.window.TimerInterval(), 20000u);
  EXPECT_EQ(rig.Attempts(), 1);
  // Not counted, not shown.
  EXPECT_EQ(rig.form().lngAttempts, 0);
  EXPECT_EQ(rig.window.ButtonCaption(), L"Installa il manuale");
  EXPECT_TRUE(rig.dialogs.Shown().empty());
}

TEST(InstallCommand, ClickDuringRetriesStartsOverWithTheTimerStillRunning) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.MakeHost(kMakerHost);
  rig.HoldTarget(kMakerHost);
  ASSERT_FALSE(rig.Click());
  for (int i = 0; i < 3; ++i) rig.TickExpectingFailure();
  ASSERT_EQ(rig.form().lngAttempts, 3);

  EXPECT_FALSE(rig.Click());

  EXPECT_EQ(rig.form().lngAttempts, 0);
  EXPECT_EQ(rig.Attempts(), 5);
  EXPECT_TRUE(rig.window.TimerEnabled());
  // The caption keeps the last count until the next failed retry.
  EXPECT_EQ(rig.window.ButtonCaption(), L"3");
  rig.TickExpectingFailure();
  EXPECT_EQ(rig.window.ButtonCaption(), L"1");
}

TEST(InstallCommand, CancelDuringRetriesLeavesTheTimerRunningWithTheCountReset) {
  Rig rig;
  rig.SetMakerFolder("C:\\Velto\\");
  rig.MakeHost(kMakerHost);
  rig.HoldTarget(kMakerHost);
  ASSERT_FALSE(rig.Click());
  rig.TickExpectingFailure();
  rig.TickExpectingFailure();
  // The host is gone: the next click prompts, and the user gives up.
  rig.SetMakerFolder("C:\\Altro\\");
  rig.dialogs.CancelInput();

  EXPECT_FALSE(rig.Click());

  EXPECT_TRUE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.form().lngAttempts, 0);
  EXPECT_EQ(rig.form().strTargetDir, kMakerHost);
  // Retries go on with the previous target.
  rig.Release();
  EXPECT_TRUE(rig.Tick());
  EXPECT_TRUE(rig.Written(kMakerHost));
}

}  // namespace
}  // namespace app::testing
