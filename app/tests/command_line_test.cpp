// The switches for unattended installs, as deployment tools type them.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>
#endif

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
      // Quoted as for any program: \\" before the closing quote is one backslash.
      {L"/S /LOG=\"C:\\My logs\\\\\"", true, false, L"", {}, L"C:\\My logs\\"},
      {L"\"/LOG=C:\\a \\\"b\\\".log\"", false, false, L"", {}, L"C:\\a \"b\".log"},
      // /D= takes the rest of the line: spaces, no quotes, a backslash added.
      {L"/S /D=C:\\some folder with spaces", true, false, L"C:\\some folder with spaces\\", {}, L""},
      {L"/d=C:\\Velto\\Quadrivo\\  ", false, false, L"C:\\Velto\\Quadrivo\\", {}, L""},
      {L"/S /D=\"C:\\quoted folder\"", true, false, L"C:\\quoted folder\\", {}, L""},
      // Raw, so a final backslash before the quote stays one.
      {L"/S /D=\"C:\\quoted folder\\\"", true, false, L"C:\\quoted folder\\", {}, L""},
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
      {L"/S \"\\\" \\\"\"", SwitchProblem::Unknown, L"\" \""},
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

std::vector<std::wstring> Split(std::wstring_view line) {
  std::vector<std::wstring> arguments;
  for (std::size_t pos = 0;;) {
    while (pos < line.size() && (line[pos] == L' ' || line[pos] == L'\t')) ++pos;
    if (pos == line.size()) return arguments;
    arguments.push_back(ReadArgument(line, pos));
  }
}

// Under Wine the same lines go through the system's own CommandLineToArgvW,
// which agrees everywhere but on "" inside quotes.
TEST(CommandLine, SplitsArgumentsByWindowsQuotingRules) {
  const struct Row {
    const wchar_t* line;
    std::vector<std::wstring> arguments;
    bool runtimeOnly = false;  // "" inside quotes: the C runtime's reading
  } rows[] = {
      {L" a  b\tc ", {L"a", L"b", L"c"}},
      {L"\"a b\" c", {L"a b", L"c"}},
      {L"a\"b c\"d", {L"ab cd"}},
      {L"\\\\server\\share\\a.log", {L"\\\\server\\share\\a.log"}},
      {L"\"C:\\My logs\\\\\" x", {L"C:\\My logs\\", L"x"}},
      {L"\"C:\\a \\\"b\\\".log\"", {L"C:\\a \"b\".log"}},
      {L"x\\\\\\\"y", {L"x\\\"y"}},
      {L"\\\\\\\\\"a b\"", {L"\\\\a b"}},
      {L"\"\\\" \\\"\"", {L"\" \""}},
      {L"\"\" x", {L"", L"x"}},
      {L"\"a\"\"b\"", {L"a\"b"}},
      {L"\"a\"\" b\"", {L"a\" b"}, true},
      {L"\"open to the end", {L"open to the end"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.line));
    EXPECT_EQ(Split(row.line), row.arguments);
#if defined(_WIN32)
    if (row.runtimeOnly) continue;
    int count = 0;
    wchar_t** system = CommandLineToArgvW((L"x.exe " + std::wstring(row.line)).c_str(), &count);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(std::vector<std::wstring>(system + 1, system + count), row.arguments);
    LocalFree(system);
#endif
  }
}

}  // namespace
}  // namespace app::testing
