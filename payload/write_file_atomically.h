#pragma once
// Replacing a file in one rename, so that its name never shows a partial one.
#include <cstddef>
#include <span>
#include <string>

#include "payload/byte_source.h"
#include "payload/current_copy.h"
#include "platform/files.h"

namespace payload {

// Writes the bytes of `source` as `folder` + `name` (folder ends with a
// backslash), through a new temporary file in the same folder that replaces
// the old file in one rename.  Temporary files of earlier, interrupted
// attempts go first.  An old file that is read-only or a folder makes the
// attempt fail, as does a source that cannot be read.  On failure no
// temporary file remains and the old file is left as it was, with one
// exception: when the folder lacks room for a second copy, the old file is
// deleted before the new one is written, so a nearly full disk still gets its
// update.  Even then the file under `name` is never a partial one.  Nothing
// is shown.
[[nodiscard]] bool WriteFileAtomically(platform::FileSystem& fs, const std::wstring& folder,
                                       const std::wstring& name, ByteSource& source);

// The same, unless the file under `name` already holds exactly the bytes of
// `expected` (CheckCurrentCopy): then nothing is written, not even a
// temporary file, and the old file keeps its last-write time, read-only or
// not.  `expected` holds the bytes `source` hands out, in memory, so the
// comparison never consumes the source the write reads.  Temporary files of
// earlier attempts go first all the same.  *check tells what the comparison
// found.
[[nodiscard]] bool WriteFileUnlessCurrent(platform::FileSystem& fs, const std::wstring& folder,
                                          const std::wstring& name,
                                          std::span<const std::byte> expected, ByteSource& source,
                                          CopyCheck* check);

// Deletes the temporary files that earlier, interrupted writes of `name` left
// in `folder` (TempName); one still open elsewhere belongs to a live attempt
// and stays.  A leftover that cannot go now is tried again next time.
void RemoveLeftovers(platform::FileSystem& fs, const std::wstring& folder, const std::wstring& name);

// The same for bytes in memory, written straight from where they are.
[[nodiscard]] bool WriteFileAtomically(platform::FileSystem& fs, const std::wstring& folder,
                                       const std::wstring& name,
                                       std::span<const std::byte> bytes);

}  // namespace payload
