#include "payload/current_copy.h"

#include <algorithm>
#include <new>
#include <vector>

namespace payload {

CopyCheck CheckCurrentCopy(platform::FileSystem& fs, const std::wstring& path,
                           ByteSource& source) {
  CopyCheck check;
  try {
    platform::FileId id{};
    if (fs.OpenRead(path, &id) != platform::kErrorSuccess) return check;
    const platform::UniqueFile file(fs, id);
    std::uint64_t size = 0;
    if (fs.GetSize(id, &size) != platform::kErrorSuccess || size != source.Size()) return check;

    std::vector<std::byte> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, kWriteChunk)));
    std::span<const std::byte> chunk;
    while (check.comparedBytes < size) {
      if (!source.Next(&chunk) || chunk.empty() || chunk.size() > buffer.size() ||
          chunk.size() > size - check.comparedBytes) {
        return check;
      }
      std::uint32_t read = 0;
      if (fs.ReadAt(id, check.comparedBytes, buffer.data(), static_cast<std::uint32_t>(chunk.size()),
                    &read) != platform::kErrorSuccess) {
        return check;
      }
      // A file cut short since it was sized reads fewer bytes: a difference.
      const auto [mine, theirs] =
          std::mismatch(chunk.begin(), chunk.end(), buffer.begin(), buffer.begin() + read);
      check.comparedBytes += static_cast<std::uint64_t>(mine - chunk.begin());
      if (mine != chunk.end()) return check;
    }
    check.current = true;
  } catch (const std::bad_alloc&) {
    // No room for the buffer: not known to be current, and writing needs none.
  }
  return check;
}

}  // namespace payload
