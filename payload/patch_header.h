#pragma once
// What a patch exe carries instead of the archive: resource CUSTOM/102, a
// header naming the new edition and every edition the patch updates from,
// then the pool of new bytes those editions share, then one VCDIFF delta per
// edition.  Each delta's source is its edition followed by the pool, so the
// bytes that several editions lack are carried once.
//
//   offset       size  field (integers little-endian)
//        0          8  magic "LUMPATCH"
//        8          4  format version, 2
//       12          4  k, the number of editions the patch updates from (1..kMaxBases)
//       16          8  size of the new edition
//       24         32  its SHA-256
//       56          8  size of the pool
//       64     48 x k  per edition, oldest first: its size (8), its SHA-256 (32),
//                      the size of its delta (8)
//  64 + 48k         p  the pool
//                   n  the deltas (VCDIFF, RFC 3284), in the order above
//
// cmake/tools/pack_patch.py writes it at build time.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/hash.h"

namespace payload {

inline constexpr std::uint16_t kPatchResourceId = 102;
inline constexpr char kPatchMagic[8] = {'L', 'U', 'M', 'P', 'A', 'T', 'C', 'H'};
inline constexpr std::uint32_t kPatchVersion = 2;
inline constexpr std::size_t kPatchFixedSize = 64;
inline constexpr std::size_t kPatchBaseSize = 48;
// More editions than a fleet plausibly runs; bounds what a damaged header
// can make the reader allocate.
inline constexpr std::uint32_t kMaxBases = 64;

struct Edition {
  std::uint64_t size = 0;
  platform::Sha256Digest sha256{};
};

// An edition the patch updates from, and the delta that rebuilds the new
// edition from it (a view of the resource).
struct PatchBase {
  Edition edition;
  std::span<const std::byte> delta;
};

struct PatchHeader {
  Edition to;
  std::vector<PatchBase> from;       // oldest first, never empty
  std::span<const std::byte> pool;   // a view of the resource
};

// Nothing when the magic, the version, the count or a size is wrong, or the
// parts do not fit in the resource (it may be padded after them).
[[nodiscard]] std::optional<PatchHeader> ReadPatchHeader(std::span<const std::byte> resource);

}  // namespace payload
