#pragma once
// The unattended install (/S): the install command's steps with no window
// and no box of any kind.  Whatever would be shown goes to the log; retries
// wait with a plain sleep, there being no window timer to wait with.
#include <cstdint>
#include <string>

#include "app/install_log.h"
#include "app/metered_files.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/resources.h"

namespace app {

struct SilentServices {
  platform::Registry& registry;
  platform::FileSystem& files;
  platform::Resources& resources;
  platform::Process& process;
  platform::Clock& clock;
};

struct SilentSettings {
  std::wstring hostFolder;  // empty: the registry lookups
  std::uint32_t retries = 40;
  std::uint32_t retryIntervalMs = 20000;
  platform::Sha256* patchHash = nullptr;  // set: the patch updater (install_steps.h)
  // The run with a progress window (/PASSIVE): `files` is this meter, which
  // each attempt tells what it writes; once it is cancelled (the window was
  // closed) the run ends with 1602.
  MeteredFiles* meter = nullptr;
};

// The first candidate only (no prompt), then up to 1 + `retries` attempts.
// Returns the exit code: 0, 2 (no host there), 3 (gave up), 1602 (the
// progress window was closed) or, for a patch, 5 (no edition it updates is
// installed).
[[nodiscard]] int RunSilent(const SilentServices& services, const SilentSettings& settings,
                            InstallLog& log);

}  // namespace app
