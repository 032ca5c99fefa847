#pragma once
// Writes the embedded archive into the host folder, replacing any earlier
// copy atomically.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace payload {

inline constexpr wchar_t kResourceType[] = L"CUSTOM";
inline constexpr std::uint16_t kResourceId = 101;
inline constexpr wchar_t kZipName[] = L"Lumarso2015.zip";
inline constexpr wchar_t kDoneText[] = L"Aggiornamento terminato!";
inline constexpr wchar_t kDoneTitle[] = L"Velto S.r.l.";

// Very large single writes have failed on some Windows setups (1450); a few
// MB at a time costs nothing.
inline constexpr std::uint32_t kWriteChunk = 4u << 20;

// Writes `bytes` as `folder` + `name` (folder ends with a backslash), through
// a new temporary file in the same folder that replaces the old file in one
// rename.  Temporary files of earlier, interrupted attempts go first.  An old
// file that is read-only or a folder makes the attempt fail.  On failure no
// temporary file remains and the old file is left as it was, with one
// exception: when the folder lacks room for a second copy, the old file is
// deleted before the new one is written, so a nearly full disk still gets its
// update.  Even then the file under `name` is never a partial one.  Nothing
// is shown.
[[nodiscard]] bool WriteFileAtomically(platform::FileSystem& fs, const std::wstring& folder,
                                       const std::wstring& name,
                                       std::span<const std::byte> bytes);

// One attempt of the updater: sets strZipName, finds the CUSTOM/101 resource
// afresh into bytPayload (a view of the mapped image, never a copy), writes it
// into strTargetDir and, once it is there, tells the user and returns true.
// Any failure is silent: false, nothing shown.
[[nodiscard]] bool WritePayload(platform::FileSystem& fs, platform::Resources& resources,
                                platform::Dialogs& dialogs, const std::wstring& strTargetDir,
                                std::wstring& strZipName,
                                std::span<const std::byte>& bytPayload);

}  // namespace payload
