#pragma once
// The updater's exit codes, the ones deployment tools judge a run by.
// 1602 is msiexec's "cancelled by the user", which those tools already know.

namespace app {

inline constexpr int kExitWritten = 0;
inline constexpr int kExitHelpShown = 0;
inline constexpr int kExitBadCommandLine = 1;
inline constexpr int kExitHostNotFound = 2;
inline constexpr int kExitGaveUp = 3;
inline constexpr int kExitLogUnopenable = 4;
// The patch updater found no installed edition it can update; nothing written.
inline constexpr int kExitNotTheBaseEdition = 5;
inline constexpr int kExitCancelled = 1602;
// msiexec's "fatal error during installation": an error nothing else handled.
inline constexpr int kExitFatal = 1603;

}  // namespace app
