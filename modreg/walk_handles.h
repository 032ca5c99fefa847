#pragma once
// The handles one walk down a key path opens, entry s for step s.  Every
// entry still held is closed, in ascending order, when the walk ends; the
// statuses of those closes are not looked at.  Only the handle the walk
// returns is released to its caller.
#include <array>
#include <cstddef>

#include "modreg/key_path.h"
#include "platform/registry.h"

namespace modreg {

class WalkHandles {
 public:
  explicit WalkHandles(platform::Registry& registry) noexcept : registry_(registry) {}
  ~WalkHandles();
  WalkHandles(const WalkHandles&) = delete;
  WalkHandles& operator=(const WalkHandles&) = delete;

  void Hold(platform::RegKey key) noexcept;
  // Hands the last entry to the caller; it is no longer closed here.
  [[nodiscard]] platform::RegKey ReleaseLast() noexcept;

 private:
  platform::Registry& registry_;
  std::array<platform::RegKey, kMaxKeyPathParts> entries_{};
  std::size_t count_ = 0;
};

}  // namespace modreg
