// Start-up: the window is shown and nothing else happens.
#include <gtest/gtest.h>

#include "app/tests/rig.h"

namespace app::testing {
namespace {

TEST(Main, ShowsTheIdleWindowAndTouchesNeitherRegistryNorFiles) {
  Rig rig;  // runs Main
  EXPECT_TRUE(rig.window.Shown());
  EXPECT_FALSE(rig.window.TimerEnabled());
  EXPECT_EQ(rig.window.TimerInterval(), 20000u);
  EXPECT_EQ(rig.window.Caption(), L"Lumarso 2015");
  EXPECT_EQ(rig.window.ButtonCaption(), L"Installa il manuale");
  EXPECT_TRUE(rig.registry.Calls().empty());
  EXPECT_TRUE(rig.files.Calls().empty());
  EXPECT_TRUE(rig.dialogs.Shown().empty());
  const Form1& form = rig.form();
  EXPECT_EQ(form.lngAttempts, 0);
  EXPECT_TRUE(form.bytPayload.empty());
  EXPECT_TRUE(form.strTargetDir.empty());
}

TEST(Main, CreatesTheOneForm1OnlyOnce) {
  Rig rig;
  Form1* first = rig.module1.form1();
  rig.form().lngAttempts = 7;
  rig.window.SetButtonCaption(L"7");
  rig.module1.Main();
  EXPECT_EQ(rig.module1.form1(), first);
  EXPECT_EQ(rig.form().lngAttempts, 7);
  EXPECT_EQ(rig.window.ButtonCaption(), L"7");
  EXPECT_EQ(rig.window.ShowCalls(), 2);
}

}  // namespace
}  // namespace app::testing
