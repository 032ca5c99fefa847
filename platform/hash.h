#pragma once
// SHA-256 of bytes handed over piece by piece, so that a file of any size is
// hashed as it streams past and never held whole.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/status.h"

namespace platform {

inline constexpr std::size_t kSha256Bytes = 32;
using Sha256Digest = std::array<std::byte, kSha256Bytes>;

class Sha256 {
 public:
  virtual ~Sha256() = default;
  // Starts a new hash; an unfinished one is dropped.
  virtual Win32Status Begin() = 0;
  // Only after a successful Begin.
  virtual Win32Status Update(const void* data, std::uint32_t size) = 0;
  // The digest of everything since Begin; Begin again before the next one.
  virtual Win32Status Finish(Sha256Digest* digest) = 0;
};

}  // namespace platform
