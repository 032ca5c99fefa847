// A typed folder text the file system rejects is simply not the host's
// folder: the prompt comes back with it, and nothing ends or is written.
#include <string>

#include <gtest/gtest.h>

#include "app/tests/rig.h"

namespace app::testing {
namespace {

constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";

TEST(RejectedFolderText, BringsThePromptBackWithThatTextAndNeverEnds) {
  const std::wstring texts[] = {
      L"C:\\a<b",        L"C:\\a>b",         L"C:\\a|b",         L"C:\\\"Quadrivo\"",
      L"C:\\a*",         L"C:\\a?",          L"C:\\a\tb",        std::wstring(L"C:\\a\0b", 6),
      L"C:\\a\x1F" L"b", std::wstring(40000, L'x'), L"\\\\?\\",   L"::::",
      L"CON",            L"C:\\Velto\\Quadrivo\\Quadrivo.exe\\",
  };
  for (const std::wstring& typed : texts) {
    Rig rig;
    rig.MakeHost(kHost);
    rig.dialogs.AnswerInput(typed);
    rig.dialogs.AnswerInput(kHost);

    EXPECT_TRUE(rig.Click()) << "typed text of length " << typed.size();

    ASSERT_EQ(rig.dialogs.InputCount(), 2u);
    const std::wstring expected = typed.back() == L'\\' ? typed : typed + L'\\';
    EXPECT_EQ(rig.dialogs.Shown()[1].defaultText, expected);
    // The only end is the one after the success box.
    EXPECT_EQ(rig.process.endCalls, 1);
    EXPECT_TRUE(rig.Written(kHost));
  }
}

TEST(RejectedFolderText, CancelAfterwardsLeavesEverythingAsItWas) {
  Rig rig;
  rig.dialogs.AnswerInput(L"C:\\<>|\"");
  rig.dialogs.CancelInput();
  EXPECT_FALSE(rig.Click());
  EXPECT_EQ(rig.Attempts(), 0);
  EXPECT_FALSE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.process.endCalls, 0);
}

}  // namespace
}  // namespace app::testing
