#pragma once
// The embedded archive read from the running exe's own file instead of the
// mapped image.  Writing 200 MB from the image takes a page fault for every
// page or few; reading the file into one reused buffer takes none.
#include <cstddef>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "payload/byte_source.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace payload {

// How many leading bytes of the file must equal the mapped resource's before
// the file is trusted to hold it.
inline constexpr std::uint32_t kCheckedBytes = 4096;

class ImageFileSource final : public ByteSource {
 public:
  // The exe's file at the place its section table gives for `view`, or null
  // when that place cannot be opened, lies past the end of the file, or does
  // not start with the view's first bytes: the caller then writes from the
  // view.  Throws nothing.
  [[nodiscard]] static std::unique_ptr<ImageFileSource> Open(platform::FileSystem& fs,
                                                             platform::Resources& resources,
                                                             std::span<const std::byte> view);

  [[nodiscard]] std::uint64_t Size() const override { return size_; }
  // Fails on any read error or a file that ends early.
  [[nodiscard]] bool Next(std::span<const std::byte>* chunk) override;
  void Rewind() override { next_ = begin_; }

 private:
  ImageFileSource(platform::FileSystem& fs, platform::UniqueFile file, std::uint64_t offset,
                  std::uint64_t size)
      : fs_(fs), file_(std::move(file)), begin_(offset), next_(offset), end_(offset + size),
        size_(size) {}
  [[nodiscard]] bool Read(std::uint64_t at, std::uint32_t size);

  platform::FileSystem& fs_;
  platform::UniqueFile file_;
  std::uint64_t begin_;
  std::uint64_t next_;
  std::uint64_t end_;
  std::uint64_t size_;
  std::vector<std::byte> buffer_;  // one chunk, reused
};

}  // namespace payload
