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
inline constexpr Win32Status kErrorBadExeFormat = 193;

// Where bytes of the mapped image are stored in the executable's own file.
struct ImageFileRange {
  std::wstring path;         // openable as it is, long paths included
  std::uint64_t offset = 0;  // of the first byte
};

class Resources {
 public:
  virtual ~Resources() = default;
  // FindResourceW + LoadResource + LockResource: a view of the mapped
  // image, valid for the life of the process.  Never a copy.  Type names
  // match without regard to case, as Windows upper-cases them.
  virtual std::optional<std::span<const std::byte>> Find(const std::wstring& type,
                                                         std::uint16_t id,
                                                         Win32Status* error) = 0;
  // The executable's file (GetModuleFileNameW) and where in it `view`, a
  // part of the image such as Find returns, is stored, from the image's
  // section table: kErrorBadExeFormat when no section holds all of `view`
  // in its file data.
  virtual Win32Status LocateInFile(std::span<const std::byte> view, ImageFileRange* where) = 0;
};

}  // namespace platform
