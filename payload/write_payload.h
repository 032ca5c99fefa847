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

// The way the updater writes: the exe's file only where reading it was
// clearly faster (under 0.9 times the time) at the archive's full size.  For
// 208 MB on an otherwise idle host, reading the file took 0.57 times as long
// as the mapped view in the 64-bit build (184 against 323 ms) and 1.17 times
// in the 32-bit one (220 against 189 ms), in line with earlier, busier runs
// (64-bit 0.80, 1.23, 1.39; 32-bit 1.05 to 1.67): docs/benchmarks.md.
#if defined(_WIN64)
inline constexpr ReadFrom kUpdaterReadsFrom = ReadFrom::kExeFile;
#else
inline constexpr ReadFrom kUpdaterReadsFrom = ReadFrom::kMappedImage;
#endif

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
