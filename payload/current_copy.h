#pragma once
// Whether the file already in place holds exactly the bytes about to be
// written, so that a run after the first one need not write them again.
#include <cstdint>
#include <string>

#include "payload/byte_source.h"
#include "platform/files.h"

namespace payload {

struct CopyCheck {
  bool current = false;            // the same size, and every byte equal
  std::uint64_t comparedBytes = 0;  // leading bytes found equal: all of them when current
};

// Compares the file at `path` with `source`, from the source's first byte, a
// chunk at a time into one reused buffer, and stops at the first difference.
// The file is opened for reading only, sharing reading and deleting, so a
// program that holds it open for reading is not disturbed.  A file that
// cannot be opened, sized or read, one of another size, and a source that
// fails all mean "not known to be current".  Leaves `source` where the
// comparison stopped.  Throws nothing.
[[nodiscard]] CopyCheck CheckCurrentCopy(platform::FileSystem& fs, const std::wstring& path,
                                         ByteSource& source);

}  // namespace payload
