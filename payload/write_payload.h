#pragma once
// One attempt of the updater: the embedded archive written into the host
// folder, replacing any earlier copy atomically.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "payload/byte_source.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace payload {

inline constexpr wchar_t kResourceType[] = L"CUSTOM";
inline constexpr std::uint16_t kResourceId = 101;
inline constexpr wchar_t kZipName[] = L"Lumarso2015.zip";
inline constexpr wchar_t kDoneText[] = L"Aggiornamento terminato!";
inline constexpr wchar_t kDoneTitle[] = L"Velto S.r.l.";

// Where the written bytes come from.
enum class ReadFrom {
  kMappedImage,  // the resource's view of the mapped image
  kExeFile,      // the same bytes read from the exe's file; the view when that fails its checks
};

// The way the updater writes, in both builds: the exe's file, as reading it
// was clearly faster (under 0.9 times the time) than the mapped view at the
// archive's full size.  For 208 MB, 1f/1m: 64-bit 0.88, 0.57 and 0.26;
// 32-bit 0.36 and 0.87 in two full runs in a row (the second: 1f 151 ms, 1m
// 173 ms, CopyFileW plus flush 160 ms), after earlier, busier runs between
// 1.04 and 1.67 (docs/benchmarks.md).  An exe file that cannot be opened or
// fails its check still falls back to the view.
inline constexpr ReadFrom kUpdaterReadsFrom = ReadFrom::kExeFile;

struct PayloadAttempt {
  // The archive is in place and the user was told so: written now, or found
  // there already (alreadyCurrent).
  bool written = false;
  // The copy in place already held exactly the archive: nothing was written.
  bool alreadyCurrent = false;
  // Leading bytes of the copy in place found equal to the archive's before
  // the first difference (all of them when alreadyCurrent); 0 when there was
  // no copy of the same size to compare.
  std::uint64_t comparedBytes = 0;
  std::wstring zipName;     // the file's name in the folder
  // A view of the mapped resource (never a copy); none when it was not found.
  std::optional<std::span<const std::byte>> payload;
  ReadFrom readFrom = ReadFrom::kMappedImage;  // where the bytes written came from
  // A patch found no edition it can update: nothing written, nothing to retry.
  bool notTheBase = false;
};

// Finds the CUSTOM/101 resource afresh, writes it into `targetDir` (which
// ends with a backslash) unless the copy there already holds exactly its
// bytes, and, once it is there, tells the user.  Any failure is silent: not
// written, nothing shown.
[[nodiscard]] PayloadAttempt WritePayload(platform::FileSystem& fs, platform::Resources& resources,
                                          platform::Dialogs& dialogs,
                                          const std::wstring& targetDir,
                                          ReadFrom way = kUpdaterReadsFrom);

}  // namespace payload
