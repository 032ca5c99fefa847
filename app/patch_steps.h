#pragma once
// One attempt of the patch updater, as the install steps run it: the patch
// applied, its outcome logged with the editions found and expected.
#include <string>

#include "app/install_log.h"
#include "payload/write_payload.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/resources.h"

namespace app {

inline constexpr wchar_t kNotTheBaseText[] =
    L"Questo aggiornamento richiede il manuale Lumarso 2015 gi\u00e0 installato, "
    L"nell'edizione precedente.\n"
    L"Per installare il manuale usare il programma di installazione completo (Lumarso2015.exe).";

struct PatchStep {
  payload::PayloadAttempt attempt;
  // False when a failure was left for the caller to log from the calls it
  // watched (the writing side's).
  bool logged = true;
};

[[nodiscard]] PatchStep AttemptPatch(platform::FileSystem& files, platform::Resources& resources,
                                     platform::Sha256& sha, platform::Dialogs& dialogs,
                                     const std::wstring& targetDir, int number, InstallLog& log);

// The last line of a run that found no edition to update.
void LogNotTheBase(InstallLog& log);

}  // namespace app
