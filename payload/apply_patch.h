#pragma once
// One attempt of the patch updater: the installed archive, if it is one of
// the editions the patch updates from, rebuilt into the new edition beside it
// and put in its place atomically.  The installed file is read once in the
// usual case (its size names one edition), and the result is hashed as it is
// written, never read back.
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "payload/patch_header.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/resources.h"

namespace payload {

enum class PatchOutcome {
  kWritten,     // rebuilt and in place; the user was told
  kAlreadyNew,  // the installed file already is the new edition; told, nothing written
  kNotTheBase,  // no installed file, or an edition the patch does not know: nothing written, nothing to retry
  kFailed,      // nothing replaced; another attempt may succeed
};

struct PatchAttempt {
  PatchOutcome outcome = PatchOutcome::kFailed;
  // A view of the mapped CUSTOM/102 resource; none when it was not found.
  std::optional<std::span<const std::byte>> resource;
  std::optional<PatchHeader> header;  // none when the resource is damaged
  // Which of header->from the installed file was taken for: none when it
  // is none of them.
  std::optional<std::size_t> base;
  // What the installed file was found to be: no size when there was none,
  // no hash when it was not read whole.
  std::optional<std::uint64_t> foundSize;
  std::optional<platform::Sha256Digest> foundSha256;
  // Why a failed attempt failed, in English for the log, and the system's
  // status when a call of the reading side failed (the writing side's calls
  // are the caller's to watch).
  std::string why;
  platform::Win32Status status = platform::kErrorSuccess;
};

// Applies the CUSTOM/102 patch to `targetDir` + "Lumarso2015.zip".  Any
// failure is silent; the success notice is the full updater's.
[[nodiscard]] PatchAttempt ApplyPatch(platform::FileSystem& fs, platform::Resources& resources,
                                      platform::Sha256& sha, platform::Dialogs& dialogs,
                                      const std::wstring& targetDir);

}  // namespace payload
