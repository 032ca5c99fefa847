#include "bench/naive_writer.h"

#include <vector>

#include "payload/write_payload.h"

namespace bench {

bool NaiveWrite(platform::Resources& resources, platform::FileSystem& fs,
                const std::wstring& path, bool flush) {
  platform::Win32Status error = platform::kErrorSuccess;
  const auto view = resources.Find(payload::kResourceType, payload::kResourceId, &error);
  if (!view) return false;
  // The heap copy is the point of this writer: it is what the mapped view saves.
  const std::vector<std::byte> bytes(view->begin(), view->end());

  if (fs.GetAttributes(path, &error) != platform::kInvalidFileAttributes &&
      fs.Delete(path) != platform::kErrorSuccess) {
    return false;
  }
  platform::FileId id{};
  if (fs.CreateNew(path, &id) != platform::kErrorSuccess) return false;
  platform::UniqueFile file(fs, id);
  if (fs.Write(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size())) !=
      platform::kErrorSuccess) {
    return false;
  }
  if (flush && fs.Flush(file.get()) != platform::kErrorSuccess) return false;
  return file.Close() == platform::kErrorSuccess;
}

}  // namespace bench
