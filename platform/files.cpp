#include "platform/files.h"

namespace platform {

bool IsOrdinaryFile(FileSystem& fs, const std::wstring& path) {
  Win32Status error = kErrorSuccess;
  const std::uint32_t attributes = fs.GetAttributes(path, &error);
  if (attributes == kInvalidFileAttributes) return false;
  constexpr std::uint32_t kNotOrdinary =
      kFileAttributeDirectory | kFileAttributeHidden | kFileAttributeSystem;
  return (attributes & kNotOrdinary) == 0;
}

}  // namespace platform
