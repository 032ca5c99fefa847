#pragma once
// The simplest way to write the payload, kept as the yardstick: the whole
// resource copied into a heap array first, the old file deleted, the array
// written in one piece.
#include <string>

#include "platform/files.h"
#include "platform/resources.h"

namespace bench {

// `flush` adds FlushFileBuffers before the close, for the same durability as
// the atomic writer; without it the data may still sit in the cache.
[[nodiscard]] bool NaiveWrite(platform::Resources& resources, platform::FileSystem& fs,
                              const std::wstring& path, bool flush);

}  // namespace bench
