#pragma once
// The switches for unattended installs, parsed from the wide command line
// (the part after the program's name).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

enum class SwitchProblem { None, Unknown, BadNumber, Empty, Twice, NotLast, RetriesWithoutSilent };

struct CommandLine {
  bool silent = false;                   // /S, or /PASSIVE
  bool progressWindow = false;           // /PASSIVE: silent, with a small progress window
  bool help = false;                     // /? or /H
  std::wstring hostFolder;               // /D=, ending with a backslash; empty: the lookups
  std::optional<std::uint32_t> retries;  // /RETRIES=
  std::wstring logPath;                  // /LOG=; empty: no log
  // The first thing wrong, and the switch as it was typed.
  SwitchProblem problem = SwitchProblem::None;
  std::wstring badSwitch;

  [[nodiscard]] bool Good() const noexcept { return problem == SwitchProblem::None; }
  // Failed retries a silent run allows before it gives up: as many as the
  // window counts before it asks whether to stop.
  [[nodiscard]] std::uint32_t Retries() const noexcept { return retries.value_or(40); }
};

// Switches start with / or -, names match without regard to case, and a
// value with spaces may be quoted ("/LOG=C:\My logs\a.log").  Arguments are
// split as ReadArgument splits them, except /D=, read as NSIS reads it: it
// must come last, and the rest of the line is the folder, spaces included,
// quotes not needed.  An empty argument ("") is ignored.
[[nodiscard]] CommandLine ParseCommandLine(std::wstring_view arguments);

// The argument that starts at `pos` (not a blank), split as the C runtime
// splits a command line into argv, so that scripts quote for the updater as
// for any other program: it ends at a blank outside quotes; 2n backslashes
// before a quote are n backslashes and the quote opens or closes a quoted
// run, 2n+1 are n backslashes and a literal quote; other backslashes are
// literal; "" inside a quoted run is a literal quote and the run goes on
// (CommandLineToArgvW ends the run there).  `pos` ends after the argument.
[[nodiscard]] std::wstring ReadArgument(std::wstring_view line, std::size_t& pos);

}  // namespace app
