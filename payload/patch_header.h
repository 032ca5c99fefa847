#pragma once
// What a patch exe carries instead of the archive: resource CUSTOM/102, a
// fixed header naming the two editions, then the VCDIFF delta.
//
//   offset  size  field (integers little-endian)
//        0     8  magic "LUMPATCH"
//        8     4  format version, 1
//       12     8  size of the edition the patch updates from
//       20    32  its SHA-256
//       52     8  size of the new edition
//       60    32  its SHA-256
//       92     8  size of the delta that follows
//      100     n  the delta (VCDIFF, RFC 3284)
//
// cmake/tools/pack_patch.py writes it at build time.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/hash.h"

namespace payload {

inline constexpr std::uint16_t kPatchResourceId = 102;
inline constexpr char kPatchMagic[8] = {'L', 'U', 'M', 'P', 'A', 'T', 'C', 'H'};
inline constexpr std::uint32_t kPatchVersion = 1;
inline constexpr std::size_t kPatchHeaderSize = 100;

struct Edition {
  std::uint64_t size = 0;
  platform::Sha256Digest sha256{};
};

struct PatchHeader {
  Edition from;
  Edition to;
  std::span<const std::byte> delta;  // a view of the resource
};

// Nothing when the magic, the version or the delta's size is wrong.
[[nodiscard]] std::optional<PatchHeader> ReadPatchHeader(std::span<const std::byte> resource);

}  // namespace payload
