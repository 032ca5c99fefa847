// The switches for unattended installs, as deployment tools type them.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace app::testing {
namespace {

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

TEST(CommandLine, ReadsEverySwitchInAnyCaseWithEitherPrefix) {
  const struct Row {
    const wchar_t* line;
    bool silent, help;
    std::wstring folder;
    std::optional<std::uint32_t> retries;
    std::wstring log;
  } rows[] = {
      {L"", false, false, L"", {}, L""},
      {L"  \t ", false, false, L"", {}, L""},
      {L"/S", true, false, L"", {}, L""},
      {L"-s", true, false, L"", {}, L""},
      {L"/?", false, true, L"", {}, L""},
      {L"/h", false, true, L"", {}, L""},
      {L"/S /RETRIES=0", true, false, L"", 0u, L""},
      {L"/s /retries=4294967295", true, false, L"", 4294967295u, L""},
      {L"/LOG=C:\\logs\\a.log", false, false, L"", {}, L"C:\\logs\\a.log"},
      {L"\"/LOG=C:\\My logs\\a b.log\" /S", true, false, L"", {}, L"C:\\My logs\\a b.log"},
      {L"/log=\"C:\\My logs\\a.log\"", false, false, L"", {}, L"C:\\My logs\\a.log"},
      // /D= takes the rest of the line: spaces, no quotes, a backslash added.
      {L"/S /D=C:\\some folder with spaces", true, false, L"C:\\some folder with spaces\\", {}, L""},
      {L"/d=C:\\Velto\\Quadrivo\\  ", false, false, L"C:\\Velto\\Quadrivo\\", {}, L""},
      {L"/S /D=\"C:\\quoted folder\"", true, false, L"C:\\quoted folder\\", {}, L""},
      {L"/S /d=C:\\lower case folder", true, false, L"C:\\lower case folder\\", {}, L""},
      {L"-D=C:\\dash folder", false, false, L"C:\\dash folder\\", {}, L""},
      // An empty argument, as a script's empty "%EXTRA%" makes it, is no switch.
      {L"/S \"\"", true, false, L"", {}, L""},
      {L"\"\" \"/D=C:\\a b\" \"\"", false, false, L"C:\\a b\\", {}, L""},
      // What looks like a switch after /D= is part of the folder, as with NSIS.
      {L"/D=C:\\x /S", false, false, L"C:\\x /S\\", {}, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.line));
    const CommandLine c = ParseCommandLine(row.line);
    EXPECT_TRUE(c.Good()) << Narrow(c.badSwitch);
    EXPECT_EQ(c.silent, row.silent);
    EXPECT_EQ(c.help, row.help);
    EXPECT_EQ(c.hostFolder, row.folder);
    EXPECT_EQ(c.retries, row.retries);
    EXPECT_EQ(c.logPath, row.log);
  }
  // /PASSIVE is /S with a progress window: retries allowed, one flag each.
  const CommandLine passive = ParseCommandLine(L"-passive /RETRIES=2");
  EXPECT_TRUE(passive.Good() && passive.silent && passive.progressWindow);
  EXPECT_EQ(passive.Retries(), 2u);
  EXPECT_FALSE(ParseCommandLine(L"/S").progressWindow);
  EXPECT_EQ(ParseCommandLine(L"/S").Retries(), 40u);
  EXPECT_EQ(ParseCommandLine(L"/S /RETRIES=2").Retries(), 2u);
}

TEST(CommandLine, NamesTheFirstSwitchAtFault) {
  const struct Row {
    const wchar_t* line;
    SwitchProblem problem;
    const wchar_t* badSwitch;
  } rows[] = {
      {L"/X", SwitchProblem::Unknown, L"/X"},
      {L"/S /silent", SwitchProblem::Unknown, L"/silent"},
      {L"S", SwitchProblem::Unknown, L"S"},
      {L"/", SwitchProblem::Unknown, L"/"},
      {L"/S \" \"", SwitchProblem::Unknown, L" "},
      {L"/S=1", SwitchProblem::Unknown, L"/S=1"},
      {L"/S /RETRIES", SwitchProblem::Unknown, L"/RETRIES"},
      {L"/S /RETRIES=", SwitchProblem::BadNumber, L"/RETRIES="},
      {L"/S /RETRIES=-1", SwitchProblem::BadNumber, L"/RETRIES=-1"},
      {L"/S /RETRIES=1x", SwitchProblem::BadNumber, L"/RETRIES=1x"},
      {L"/S /RETRIES=4294967296", SwitchProblem::BadNumber, L"/RETRIES=4294967296"},
      {L"/S /RETRIES=x /Q", SwitchProblem::BadNumber, L"/RETRIES=x"},
      {L"/S /s", SwitchProblem::Twice, L"/s"},
      {L"/PASSIVE /S /passive", SwitchProblem::Twice, L"/passive"},
      {L"/S /RETRIES=1 /RETRIES=2", SwitchProblem::Twice, L"/RETRIES=2"},
      {L"/LOG=a /LOG=b", SwitchProblem::Twice, L"/LOG=b"},
      {L"/? /H", SwitchProblem::Twice, L"/H"},
      {L"/LOG=", SwitchProblem::Empty, L"/LOG="},
      {L"/S /D=", SwitchProblem::Empty, L"/D="},
      {L"/S /D=  ", SwitchProblem::Empty, L"/D="},
      {L"\"/D=C:\\a b\" /S", SwitchProblem::NotLast, L"/D=C:\\a b"},
      {L"/RETRIES=3", SwitchProblem::RetriesWithoutSilent, L"/RETRIES=3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.line));
    const CommandLine c = ParseCommandLine(row.line);
    EXPECT_FALSE(c.Good());
    EXPECT_EQ(c.problem, row.problem);
    EXPECT_EQ(c.badSwitch, row.badSwitch);
  }
}

}  // namespace
}  // namespace app::testing
