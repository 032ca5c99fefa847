#pragma once
// Opening a key path from its root one level at a time, creating missing
// levels on request, and closing what was opened.  Key handles are carried
// as signed 32-bit values; -1 is "no handle".  Every failure is left in the
// error record the walk was given.
#include <cstdint>
#include <string>

#include "modreg/error_record.h"
#include "platform/registry.h"

namespace modreg {

inline constexpr std::int32_t kNoHandle = -1;

class KeyWalk {
 public:
  KeyWalk(platform::Registry& registry, RegErrorRecordT& record) noexcept
      : registry_(registry), record_(record) {}
  KeyWalk(const KeyWalk&) = delete;
  KeyWalk& operator=(const KeyWalk&) = delete;

  std::int32_t OpenKeyPath(const std::wstring& path, bool createMissing, std::int32_t samDesired);
  std::int32_t CreateSubKey(const std::wstring& parentPath, const std::wstring& subKeyName);
  std::int32_t CloseKey(const std::int32_t& handle);

  [[nodiscard]] platform::Registry& Registry() const noexcept { return registry_; }
  [[nodiscard]] RegErrorRecordT& Record() const noexcept { return record_; }

 private:
  // CreateSubKey with the name already in 8-bit text (null for no name).
  std::int32_t CreateSubKeyNamed(const std::wstring& parentPath, const char* subKeyName);

  platform::Registry& registry_;
  RegErrorRecordT& record_;
};

}  // namespace modreg
