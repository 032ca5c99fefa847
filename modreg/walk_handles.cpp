#include "modreg/walk_handles.h"

namespace modreg {

WalkHandles::~WalkHandles() {
  for (std::size_t i = 0; i < count_; ++i) static_cast<void>(registry_.CloseKey(entries_[i]));
}

void WalkHandles::Hold(platform::RegKey key) noexcept { entries_[count_++] = key; }

platform::RegKey WalkHandles::ReleaseLast() noexcept {
  return count_ == 0 ? 0 : entries_[--count_];
}

}  // namespace modreg
