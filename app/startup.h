#pragma once
// What the command line settles before either way of running starts: the
// log is opened, the start is logged, and help or a bad switch ends the run.
// Without switches it does nothing at all.
#include <optional>
#include <string_view>

#include "app/command_line.h"
#include "app/install_log.h"
#include "platform/dialogs.h"

namespace app {

inline constexpr wchar_t kVersion[] = L"1.01";

// The exit code when the run ends here; nothing when the install goes on.
// Without /S a problem is shown in a box; with /S it is only logged.  The
// usage box names the exe as `exeName`.
[[nodiscard]] std::optional<int> Prepare(const CommandLine& commandLine, std::wstring_view arguments,
                                         platform::Dialogs& dialogs, InstallLog& log,
                                         std::wstring_view exeName = L"Lumarso2015.exe");

// The window was closed before the manual was written: logged, and 1602.
[[nodiscard]] int WindowClosed(InstallLog& log);

}  // namespace app
