#include "payload/image_file_source.h"

#include <algorithm>
#include <new>

namespace payload {

using platform::kErrorSuccess;

std::unique_ptr<ImageFileSource> ImageFileSource::Open(platform::FileSystem& fs,
                                                       platform::Resources& resources,
                                                       std::span<const std::byte> view) {
  try {
    platform::ImageFileRange where;
    if (resources.LocateInFile(view, &where) != kErrorSuccess) return nullptr;
    platform::FileId id{};
    if (fs.OpenRead(where.path, &id) != kErrorSuccess) return nullptr;
    platform::UniqueFile file(fs, id);
    std::uint64_t fileSize = 0;
    if (fs.GetSize(id, &fileSize) != kErrorSuccess) return nullptr;
    if (where.offset > fileSize || fileSize - where.offset < view.size()) return nullptr;

    std::unique_ptr<ImageFileSource> source(
        new ImageFileSource(fs, std::move(file), where.offset, view.size()));
    // Every later chunk fits: reading never allocates.
    source->buffer_.reserve(std::min<std::size_t>(view.size(), kWriteChunk));
    // A file replaced since the start, or a section table misread, shows in
    // the first bytes; the mapped view is right whatever happened.
    const auto checked = static_cast<std::uint32_t>(std::min<std::size_t>(view.size(), kCheckedBytes));
    if (!source->Read(where.offset, checked) ||
        !std::equal(view.begin(), view.begin() + checked, source->buffer_.begin())) {
      return nullptr;
    }
    return source;
  } catch (const std::bad_alloc&) {
    return nullptr;  // no room for the buffer: the view needs none
  }
}

bool ImageFileSource::Read(std::uint64_t at, std::uint32_t size) {
  buffer_.resize(std::max<std::size_t>(buffer_.size(), size));
  std::uint32_t read = 0;
  return fs_.ReadAt(file_.get(), at, buffer_.data(), size, &read) == kErrorSuccess && read == size;
}

bool ImageFileSource::Next(std::span<const std::byte>* chunk) {
  const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(end_ - next_, kWriteChunk));
  *chunk = {};
  if (size == 0) return true;
  if (!Read(next_, size)) return false;
  next_ += size;
  *chunk = std::span<const std::byte>(buffer_.data(), size);
  return true;
}

}  // namespace payload
