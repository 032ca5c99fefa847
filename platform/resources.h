#pragma once
// Read-only access to the running executable's resources.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/status.h"

namespace platform {

class Resources {
 public:
  virtual ~Resources() = default;
  // FindResourceW + LoadResource + LockResource: a view of the mapped
  // image, valid for the life of the process.  Never a copy.
  virtual std::optional<std::span<const std::byte>> Find(const std::wstring& type,
                                                         std::uint16_t id,
                                                         Win32Status* error) = 0;
};

}  // namespace platform
