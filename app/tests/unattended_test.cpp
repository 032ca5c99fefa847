// The unattended install: what the command line settles first, the silent
// run against the doubles, and the window run given /D= and /LOG=.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <thread>

#include "app/command_line.h"
#include "app/decimal_text.h"
#include "app/exit_codes.h"
#include "app/install_log.h"
#include "app/progress_run.h"
#include "app/silent_run.h"
#include "app/startup.h"
#include "app/tests/rig.h"
#include "platform/doubles/fake_clock.h"
#include "platform/doubles/fake_error_messages.h"
#include "platform/doubles/fake_log_file.h"
#include "platform/doubles/fake_window.h"

namespace app::testing {
namespace {

using platform::doubles::FileOp;
using platform::doubles::LogOp;

constexpr wchar_t kLogPath[] = L"C:\\logs\\install.log";
constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";

// A whole updater on the doubles, started with a command line the way
// main_win32.cpp starts it.  The rig's window is not used by a silent run.
class Unattended : public Rig {
 public:
  Unattended() { logFile.MakeFolder(L"C:\\logs"); }

  int Run(std::wstring_view arguments) {
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (const auto code = Prepare(commandLine, arguments, dialogs, log)) return *code;
    if (!commandLine.silent) ADD_FAILURE() << "a window run; use the rig's window";
    return RunSilent({registry, files, resources, process, clock},
                     {commandLine.hostFolder, commandLine.Retries(), 20000}, log);
  }
  [[nodiscard]] std::string Log() const { return logFile.Content(kLogPath).value_or("<no log>"); }
  [[nodiscard]] bool Logged(std::string_view text) const {
    return Log().find(text) != std::string::npos;
  }

  platform::doubles::FakeLogFile logFile;
  platform::doubles::FakeClock clock;
  platform::doubles::FakeErrorMessages messages;
  InstallLog log{logFile, clock, messages};
};

TEST(Unattended, SilentRunsEndWithTheirExitCodeAndLogEveryStep) {
  const struct Row {
    const char* name;
    std::function<void(Unattended&)> machine;
    const wchar_t* arguments;
    int exitCode;
    std::wstring writtenIn;  // empty: nothing written anywhere
    int attempts;
    std::vector<std::string> logged;
    const char* notLogged = nullptr;
  } rows[] = {
      {"maker key",
       [](Unattended& u) {
         u.SetMakerFolder("C:\\Velto\\");
         u.MakeHost(kHost);
         // A slow share: every long step takes its time.
         u.files.BeforeCall(FileOp::Write, [&u] { u.clock.Advance(30); });
         u.files.BeforeCall(FileOp::Flush, [&u] { u.clock.Advance(250); });
         u.files.BeforeCall(FileOp::MoveReplace, [&u] { u.clock.Advance(10); });
       },
       L"/S /LOG=C:\\logs\\install.log", kExitWritten, kHost, 1,
       {"2026-03-09 08:05:07.042  Lumarso2015 1.01 started (silent), command line: /S "
        "/LOG=C:\\logs\\install.log\r\n",
        "lookup HKLM\\Software\\Velto\\Installazione, strPath: \"C:\\Velto\\\"\r\n",
        "candidate \"C:\\Velto\\Quadrivo\\\": Quadrivo.exe found\r\n",
        "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n",
        "attempt 1: writing the new copy beside Lumarso2015.zip\r\n",
        "attempt 1: 3000 bytes written in 0.03 s (0.1 MB/s), flushed in 0.25 s, put in place in "
        "0.01 s\r\n",
        "message (not shown): \"Aggiornamento terminato!\", title \"Velto S.r.l.\"\r\n",
        "attempt 1: written, 3000 bytes\r\n", "result: exit code 0, the manual was written\r\n"},
       "compared"},
      {"folder with spaces from /D=",
       [](Unattended& u) { u.MakeHost(L"C:\\some folder with spaces\\"); },
       L"/S /LOG=C:\\logs\\install.log /D=C:\\some folder with spaces", kExitWritten,
       L"C:\\some folder with spaces\\", 1,
       {"host folder from the command line: \"C:\\some folder with spaces\\\"\r\n",
        "result: exit code 0"}},
      {"/D= folder without Quadrivo.exe: not trusted",
       [](Unattended& u) {
         u.SetMakerFolder("C:\\Velto\\");
         u.MakeHost(kHost);
         u.files.MakeFolders(L"C:\\some folder with spaces\\");
       },
       L"/S /LOG=C:\\logs\\install.log /D=C:\\some folder with spaces", kExitHostNotFound, L"", 0,
       {"result: exit code 2, Quadrivo.exe is not in \"C:\\some folder with spaces\\\"; nothing "
        "written"}},
      {"empty arguments are no switches",
       [](Unattended& u) { u.SetMakerFolder("C:\\Velto\\"); u.MakeHost(kHost); },
       L"\"\" /S \"\" /LOG=C:\\logs\\install.log \"\"", kExitWritten, kHost, 1,
       {"result: exit code 0, the manual was written"}},
      {"already current: nothing written",
       [](Unattended& u) {
         u.SetMakerFolder("C:\\Velto\\");
         u.MakeHost(kHost);
         u.files.PutFile(std::wstring(kHost) + kZip, u.archive);
         // Any write would fail, and the run would retry.
         u.files.FailCall(platform::doubles::FileOp::CreateNew, platform::kErrorAccessDenied, 1, -1);
         u.files.BeforeCall(FileOp::ReadAt, [&u] { u.clock.Advance(40); });
       },
       L"/S /LOG=C:\\logs\\install.log", kExitWritten, kHost, 1,
       {"attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n",
        "attempt 1: 3000 bytes compared in 0.04 s (0.1 MB/s)\r\n",
        "message (not shown): \"Aggiornamento terminato!\", title \"Velto S.r.l.\"\r\n",
        "attempt 1: already current, 3000 bytes compared, nothing written\r\n",
        "result: exit code 0, the manual was already current\r\n"},
       "writing"},
      {"host missing",
       [](Unattended& u) { u.SetMakerFolder("C:\\Velto\\"); u.files.MakeFolders(kHost); },
       L"/S /LOG=C:\\logs\\install.log", kExitHostNotFound, L"", 0,
       {"candidate \"C:\\Velto\\Quadrivo\\\": no Quadrivo.exe\r\n",
        "result: exit code 2, Quadrivo.exe is not in \"C:\\Velto\\Quadrivo\\\"; nothing written"}},
      {"lookup error goes to the log",
       [](Unattended& u) {
         u.registry.SetValue(platform::kHkeyLocalMachine, kMakerKey, "strPath",
                             platform::kRegDword, "\x01\x02\x03");
         u.SetProgramFiles("C:\\Program Files");
         u.MakeHost(L"C:\\Program Files\\Velto\\Quadrivo\\");
       },
       L"/LOG=C:\\logs\\install.log /S", kExitWritten, L"C:\\Program Files\\Velto\\Quadrivo\\", 1,
       {"message (not shown): \"ModReg - RetrieveProgramFilesVeltoPath:. ErrorLine:0.  5 - "
        "invalid procedure call or argument; ID : Lumarso2015\"\r\n",
        "lookup HKLM\\Software\\Velto\\Installazione, strPath: nothing\r\n",
        "ProgramFilesDir: \"C:\\Program Files\"\r\n"}},
      {"missing maker key: the registry's reason",
       [](Unattended& u) { u.SetProgramFiles("C:\\PF"); },
       L"/LOG=C:\\logs\\install.log /S", kExitHostNotFound, L"", 0,
       {"strPath: nothing, error 2 (File not found.)\r\n",
        "candidate \"C:\\PF\\Velto\\Quadrivo\\\": no Quadrivo.exe\r\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Unattended u;
    row.machine(u);
    EXPECT_EQ(u.Run(row.arguments), row.exitCode);
    for (const std::wstring& folder : {std::wstring(kHost), std::wstring(L"C:\\some folder with spaces\\"),
                                      std::wstring(L"C:\\Program Files\\Velto\\Quadrivo\\")}) {
      EXPECT_EQ(u.Written(folder), folder == row.writtenIn);
      if (folder != row.writtenIn) {
        EXPECT_FALSE(u.AnyArchive(folder));
      }
    }
    EXPECT_EQ(u.Attempts(), row.attempts);
    for (const std::string& line : row.logged) EXPECT_TRUE(u.Logged(line)) << line << "\n" << u.Log();
    if (row.notLogged != nullptr) {
      EXPECT_FALSE(u.Logged(row.notLogged)) << u.Log();
    }
    // No box of any kind, no prompt, no end of the program from inside.
    EXPECT_TRUE(u.dialogs.Shown().empty());
    EXPECT_EQ(u.process.endCalls, 0);
    EXPECT_TRUE(u.clock.sleeps.empty());
  }
}

TEST(Unattended, SilentRetriesWaitTheIntervalAndStopAtTheLimit) {
  const struct Row {
    const wchar_t* arguments;
    int releaseAfterSleeps;  // -1: never
    int exitCode;
    int attempts;
    const char* lastLine;
  } rows[] = {
      {L"/S /LOG=C:\\logs\\install.log", 2, kExitWritten, 3, "result: exit code 0"},
      {L"/S /RETRIES=2 /LOG=C:\\logs\\install.log", -1, kExitGaveUp, 3,
       "result: exit code 3, gave up after 2 failed retries\r\n"},
      {L"/S /RETRIES=0 /LOG=C:\\logs\\install.log", -1, kExitGaveUp, 1,
       "result: exit code 3, gave up after 0 failed retries\r\n"},
      {L"/S /LOG=C:\\logs\\install.log", -1, kExitGaveUp, 41,
       "result: exit code 3, gave up after 40 failed retries\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.arguments, row.arguments + wcslen(row.arguments)));
    Unattended u;
    u.SetMakerFolder("C:\\Velto\\");
    u.MakeHost(kHost);
    u.HoldTarget(kHost);  // an old one-byte archive, held open elsewhere
    u.clock.onSleep = [&] {
      if (static_cast<int>(u.clock.sleeps.size()) == row.releaseAfterSleeps) u.Release();
    };
    EXPECT_EQ(u.Run(row.arguments), row.exitCode);
    EXPECT_EQ(u.Attempts(), row.attempts);
    EXPECT_TRUE(u.Logged("attempt " + std::to_string(row.attempts) + ": writing")) << u.Log();
    EXPECT_EQ(u.clock.sleeps, std::vector<std::uint32_t>(row.attempts - 1, 20000));
    EXPECT_TRUE(u.Logged("attempt 1 failed: error 5 (Access denied.), putting the new copy in place "
                         "of Lumarso2015.zip\r\n")) << u.Log();
    // Written and flushed, then given up; no time passed, so no rate.
    EXPECT_TRUE(u.Logged("attempt 1: 3000 bytes written in 0.00 s, flushed in 0.00 s\r\n"))
        << u.Log();
    EXPECT_TRUE(u.Logged(row.lastLine)) << u.Log();
    EXPECT_TRUE(u.dialogs.Shown().empty());
    if (row.exitCode == kExitGaveUp) {
      u.Release();
      EXPECT_EQ(u.files.Content(std::wstring(kHost) + kZip), std::vector<std::byte>{std::byte{0}});
      EXPECT_EQ(u.files.Names(kHost), (std::vector<std::wstring>{L"Lumarso2015.zip", L"Quadrivo.exe"}));
    } else {
      EXPECT_TRUE(u.Written(kHost));
    }
  }
}

TEST(Unattended, EachFailedAttemptLogsTheSystemsErrorAndTheStepThatMetIt) {
  const struct Row {
    std::function<void(Unattended&)> fault;
    const char* logged;
  } rows[] = {
      {[](Unattended& u) { u.files.FailCall(platform::doubles::FileOp::Write, platform::kErrorDiskFull); },
       "attempt 1 failed: error 112 (Disk full.), writing the new copy of Lumarso2015.zip\r\n"},
      // A share that answers a write only after 30 s, with an error.
      {[](Unattended& u) {
         u.files.BeforeCall(FileOp::Write, [&u] { u.clock.Advance(30000); });
         u.files.FailCall(FileOp::Write, platform::kErrorWriteFault);
       },
       "attempt 1: 0 bytes written in 30.00 s (0.0 MB/s)\r\n"},
      {[](Unattended& u) { u.resources.FailCall(platform::doubles::ResourceCall::Find, platform::kErrorResourceTypeNotFound); },
       "attempt 1 failed: error 1813, finding the CUSTOM/101 resource for Lumarso2015.zip\r\n"},
      {[](Unattended& u) {
         u.files.PutFile(std::wstring(kHost) + kZip, {std::byte{0}}, platform::kFileAttributeReadOnly);
       },
       "attempt 1 failed without a system error (a read-only target, or a folder in its place)"},
      // Reading the old copy to compare it is no step of the write.
      {[](Unattended& u) {
         u.files.PutFile(std::wstring(kHost) + kZip, std::vector<std::byte>(u.archive.size()),
                         platform::kFileAttributeReadOnly);
         u.files.FailCall(platform::doubles::FileOp::ReadAt, platform::kErrorReadFault);
       },
       "attempt 1 failed without a system error (a read-only target, or a folder in its place)"},
  };
  for (const Row& row : rows) {
    Unattended u;
    u.SetMakerFolder("C:\\Velto\\");
    u.MakeHost(kHost);
    row.fault(u);
    EXPECT_EQ(u.Run(L"/S /RETRIES=0 /LOG=C:\\logs\\install.log"), kExitGaveUp);
    EXPECT_TRUE(u.Logged(row.logged)) << u.Log();
  }
}

TEST(Unattended, ALogThatCannotBeOpenedEndsTheRunBeforeAnythingElse) {
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "silent" : "window");
    Unattended u;
    u.SetMakerFolder("C:\\Velto\\");
    u.MakeHost(kHost);
    u.files.ClearCalls();
    const std::wstring arguments = std::wstring(silent ? L"/S " : L"") + L"/LOG=C:\\missing\\x.log";
    EXPECT_EQ(Prepare(ParseCommandLine(arguments), arguments, u.dialogs, u.log), kExitLogUnopenable);
    EXPECT_EQ(u.registry.Calls().size(), 0u);
    EXPECT_TRUE(u.files.Calls().empty());
    EXPECT_FALSE(u.logFile.Content(L"C:\\missing\\x.log").has_value());
    // Someone at the screen is told which file; a silent run shows nothing.
    ASSERT_EQ(u.dialogs.MessageCount(), silent ? 0u : 1u);
    if (!silent) {
      EXPECT_NE(u.dialogs.Shown()[0].text.find(L"C:\\missing\\x.log"), std::wstring::npos);
    }
  }
}

TEST(Unattended, ALogThatFailsToWriteNeverStopsTheInstall) {
  Unattended u;
  u.SetMakerFolder("C:\\Velto\\");
  u.MakeHost(kHost);
  u.logFile.FailCall(LogOp::Append, platform::kErrorDiskFull, 4);
  EXPECT_EQ(u.Run(L"/S /LOG=C:\\logs\\install.log"), kExitWritten);
  EXPECT_TRUE(u.Written(kHost));
  EXPECT_TRUE(u.Logged("result: exit code 0"));
  EXPECT_FALSE(u.Logged("candidate")) << "the fourth line was not written";
}

TEST(Unattended, HelpAndBadSwitchesEndTheRunWithABoxOnlyWithoutS) {
  const struct Row {
    const wchar_t* arguments;
    int exitCode;
    std::size_t boxes;
    const wchar_t* boxSays;
    const char* logged;
  } rows[] = {
      {L"/? /LOG=C:\\logs\\install.log", kExitHelpShown, 1, L"1602 \u2013 interrotto", "usage shown"},
      {L"/S /H /LOG=C:\\logs\\install.log", kExitHelpShown, 0, nullptr, "not shown with /S"},
      {L"/X /LOG=C:\\logs\\install.log", kExitBadCommandLine, 1, L"Opzione non valida: \"/X\"\n",
       "exit code 1, bad command line: \"/X\": unknown switch"},
      // A bad switch ends the run even when help was asked for too.
      {L"/? /X /LOG=C:\\logs\\install.log", kExitBadCommandLine, 1, L"Opzione non valida: \"/X\"\n",
       "exit code 1, bad command line: \"/X\": unknown switch"},
      {L"/S /LOG=C:\\logs\\install.log /RETRIES=many", kExitBadCommandLine, 0, nullptr,
       "bad command line: \"/RETRIES=many\": not a whole number"},
      {L"/S \" \" /LOG=C:\\logs\\install.log", kExitBadCommandLine, 0, nullptr,
       "bad command line: \" \": unknown switch"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.arguments, row.arguments + wcslen(row.arguments)));
    Unattended u;
    u.SetMakerFolder("C:\\Velto\\");
    u.MakeHost(kHost);
    EXPECT_EQ(u.Run(row.arguments), row.exitCode);
    ASSERT_EQ(u.dialogs.MessageCount(), row.boxes);
    if (row.boxSays) {
      EXPECT_NE(u.dialogs.Shown()[0].text.find(row.boxSays), std::wstring::npos);
    }
    EXPECT_TRUE(u.Logged(row.logged)) << u.Log();
    EXPECT_EQ(u.Attempts(), 0);
    EXPECT_EQ(u.registry.Calls().size(), 0u);
  }
}

// Deployment tools are set up with these numbers: they never change.
TEST(Unattended, ExitCodesKeepTheirPublishedNumbers) {
  const int codes[] = {kExitWritten,      kExitHelpShown,         kExitBadCommandLine,
                       kExitHostNotFound, kExitGaveUp,            kExitLogUnopenable,
                       kExitCancelled,    kExitNotTheBaseEdition, kExitFatal};
  EXPECT_EQ(std::vector<int>(std::begin(codes), std::end(codes)),
            (std::vector<int>{0, 0, 1, 2, 3, 4, 1602, 5, 1603}));
}

TEST(Unattended, WithoutSwitchesNothingHappensBeforeTheWindow) {
  Unattended u;
  EXPECT_EQ(Prepare(ParseCommandLine(L""), L"", u.dialogs, u.log), std::nullopt);
  EXPECT_EQ(u.logFile.Calls(LogOp::Open), 0);
  EXPECT_TRUE(u.dialogs.Shown().empty());
}

TEST(Unattended, TheWindowTakesTheFolderFromDAndLogsItsSteps) {
  Unattended u;
  ASSERT_EQ(u.log.Open(kLogPath), platform::kErrorSuccess);
  Module1 module1({u.registry, u.files, u.resources, u.dialogs, u.window, u.process}, u.modReg,
                  20000, {&u.log, L"C:\\Given\\"});
  module1.Main();
  // Not there: the prompt offers the given folder; typed right, it is written.
  u.MakeHost(kHost);
  u.dialogs.AnswerInput(kHost);
  u.files.BeforeCall(FileOp::Flush, [&u] { u.clock.Advance(420); });
  EXPECT_TRUE(u.Click());
  ASSERT_EQ(u.dialogs.InputCount(), 1u);
  EXPECT_EQ(u.dialogs.Shown()[0].defaultText, L"C:\\Given\\");
  EXPECT_TRUE(u.Written(kHost));
  EXPECT_EQ(u.registry.Calls().size(), 0u);
  EXPECT_TRUE(u.Logged("candidate \"C:\\Given\\\": no Quadrivo.exe\r\n"));
  EXPECT_TRUE(u.Logged("candidate \"C:\\Velto\\Quadrivo\\\": Quadrivo.exe found\r\n"));
  EXPECT_TRUE(u.Logged("attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n"));
  EXPECT_TRUE(u.Logged("attempt 1: 3000 bytes written in 0.00 s, flushed in 0.42 s, put in place "
                       "in 0.00 s\r\n")) << u.Log();
  EXPECT_TRUE(u.Logged("result: exit code 0, the manual was written\r\n"));
  EXPECT_EQ(WindowClosed(u.log), kExitCancelled);
}

TEST(Unattended, TheWindowEndsAsUsualWhenTheCopyInPlaceIsCurrent) {
  Unattended u;
  ASSERT_EQ(u.log.Open(kLogPath), platform::kErrorSuccess);
  Module1 module1({u.registry, u.files, u.resources, u.dialogs, u.window, u.process}, u.modReg,
                  20000, {&u.log, kHost});
  module1.Main();
  u.MakeHost(kHost);
  u.files.PutFile(std::wstring(kHost) + kZip, u.archive);
  u.files.ClearCalls();
  u.files.BeforeCall(FileOp::ReadAt, [&u] { u.clock.Advance(1500); });
  EXPECT_TRUE(u.Click());
  EXPECT_EQ(u.files.CountCalls(platform::doubles::FileOp::CreateNew), 0);
  EXPECT_EQ(u.BoxesWithText(kDone), 1u);
  EXPECT_TRUE(u.Logged("attempt 1: already current, 3000 bytes compared, nothing written\r\n"))
      << u.Log();
  EXPECT_TRUE(u.Logged("attempt 1: 3000 bytes compared in 1.50 s (0.0 MB/s)\r\n")) << u.Log();
  EXPECT_FALSE(u.Logged("writing")) << u.Log();
  EXPECT_TRUE(u.Logged("result: exit code 0, the manual was already current\r\n"));
}

TEST(Unattended, APassiveRunShowsOnlyItsProgressAndStopsWhenItsWindowCloses) {
  Unattended u;
  ASSERT_EQ(u.log.Open(kLogPath), platform::kErrorSuccess);
  u.SetMakerFolder("C:\\Velto\\");
  u.MakeHost(kHost);
  u.HoldTarget(kHost);
  const std::vector<std::byte> old = *u.files.Content(std::wstring(kHost) + kZip);
  {
    // Held: the first attempt fails; the window is closed during the wait.
    platform::doubles::FakeWindow window;
    Gate gate;
    u.clock.onSleep = [&] { gate.Pass(); };
    ProgressRun run({u.registry, u.files, u.resources, u.process, u.clock}, {L"", 40, 20000},
                    u.log, window);
    run.Start();
    ASSERT_TRUE(gate.Arrived());
    std::thread opener([&] { gate.Open(); });
    EXPECT_EQ(run.Closed(), kExitCancelled);
    opener.join();
    EXPECT_EQ(window.ButtonCaption(), kProgressButtonCaption);
    EXPECT_EQ(window.CallsFromOtherThreads(), 0);
    EXPECT_EQ(u.files.Content(std::wstring(kHost) + kZip), old);
    EXPECT_TRUE(u.Logged("attempt 1 failed: "));
    EXPECT_TRUE(u.Logged("result: exit code 1602, the window was closed before the manual was written\r\n"));
  }
  u.Release();
  u.clock.onSleep = nullptr;
  platform::doubles::FakeWindow window;
  ProgressRun run({u.registry, u.files, u.resources, u.process, u.clock}, {L"", 40, 20000}, u.log,
                  window);
  run.Start();
  EXPECT_THROW(window.Settle(), ProgramEnded);
  EXPECT_EQ(u.process.exitCode, kExitWritten);
  EXPECT_TRUE(u.Written(kHost));
  // The success notice goes to the log only, as with /S.
  EXPECT_TRUE(u.dialogs.Shown().empty());
  EXPECT_TRUE(u.Logged("message (not shown): \"Aggiornamento terminato!\""));
  EXPECT_FALSE(window.Progress().empty());
}

TEST(Unattended, TheLogIsUtf8OneLinePerStep) {
  EXPECT_EQ(ToUtf8(L"\u00e8 \u20ac"), "\xC3\xA8 \xE2\x82\xAC");
  EXPECT_EQ(ToUtf8(L"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(ToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}),
            "a\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(std::wstring{static_cast<wchar_t>(0xDC00), L'b'}), "\xEF\xBF\xBD" "b");
  Unattended u;
  ASSERT_EQ(u.log.Open(kLogPath), platform::kErrorSuccess);
  u.log.Line(L"cartella \"C:\\Societ\u00e0\\\"\r\ntwo");
  EXPECT_EQ(u.Log(), "2026-03-09 08:05:07.042  cartella \"C:\\Societ\xC3\xA0\\\"  two\r\n");
}

// Times and rates come from integers, rounded half up; MB is 10^6 bytes.
TEST(Unattended, TheLogsTimesAndRatesAreRoundedFromIntegers) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const struct Row {
    std::wstring text, expected;
  } rows[] = {
      {Seconds(2310), L"2.31 s"},
      {Seconds(0), L"0.00 s"},
      {Seconds(4), L"0.00 s"},
      {Seconds(5), L"0.01 s"},
      {Seconds(1995), L"2.00 s"},  // the carry runs into the whole seconds
      {Seconds(kMax), L"18446744073709551.62 s"},
      {Rate(208304732, 2310), L"90.2 MB/s"},
      {Rate(999950, 1000), L"1.0 MB/s"},
      {Rate(949999, 1000), L"0.9 MB/s"},
      {Rate(kMax, 1), L"18446744073709551.6 MB/s"},
      {Rate(kMax, kMax), L"0.0 MB/s"},
      {Rate(3000, 0), L""},  // no time: no rate, and no division by zero
      {Quotient(7, 0, 1), L""},
      {Quotient(2, 3, 0), L"1"},
      {Quotient(1, kMax, 3), L"0.000"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.text, row.expected);
}

}  // namespace
}  // namespace app::testing
