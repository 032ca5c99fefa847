#pragma once
// Read-only access to the running executable's resources.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/status.h"

namespace platform {

inline constexpr Win32Status kErrorResourceDataNotFound = 1812;
inline constexpr Win32Status kErrorResourceTypeNotFound = 1813;
inline constexpr Win32Status kErrorResourceNameNotFound = 1814;

class Resources {
 public:
  virtual ~Resources() = default;
  // FindResourceW + LoadResource + LockResource: a view of the mapped
  // image, valid for the life of the process.  Never a copy.  Type names
  // match without regard to case, as Windows upper-cases them.
  virtual std::optional<std::span<const std::byte>> Find(const std::wstring& type,
                                                         std::uint16_t id,
                                                         Win32Status* error) = 0;
};

}  // namespace platform
