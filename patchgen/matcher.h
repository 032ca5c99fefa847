// Finds where runs of the new edition's bytes already stand in the old one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace patchgen {

// new[target, target + length) equals old[source, source + length).
struct Copy {
    std::uint64_t target;
    std::uint64_t source;
    std::uint64_t length;
};

enum class Anchors {
    // Every old block of `block` bytes at a multiple of `block` is indexed,
    // and the new edition is looked up at every byte (rsync's rolling check).
    aligned,
    // Only blocks that start where a rolling hash of the content hits a mask
    // are indexed and looked up (content-defined chunk boundaries).
    content,
};

struct MatchOptions {
    Anchors anchors = Anchors::aligned;
    std::size_t block = 16;     // bytes hashed per lookup: 8, 16, 24 or 32
    std::size_t spacing = 32;   // content anchors: mean distance, a power of 2
    // Stop as soon as more new bytes than this are found in no copy: a delta
    // that large is not wanted, and unrelated files cost the most time.
    std::uint64_t give_up_over = UINT64_MAX;
};

struct Matches {
    // In target order, not overlapping, each as long as the bytes allow in
    // both directions.  The bytes between them are new.
    std::vector<Copy> copies;
    bool gave_up = false;         // give_up_over was passed; the copies cover only a prefix
    std::uint64_t scanned = 0;    // new bytes looked at before the end or giving up
    std::uint64_t uncovered = 0;  // of those, bytes in no copy
};

// Aligned anchors look at every byte near copies; where none was found for
// a while they look at fewer, wider apart (up to one in kMaxStride), so that
// unrelated stretches cost a fraction of the time.  A copy found there is
// still extended back to its first byte.  Copies of 16 x stride + block
// bytes or more are always found (odd strides meet every alignment of the
// old blocks within 16 steps); shorter ones there may be missed.
inline constexpr std::size_t kMaxStride = 15;

[[nodiscard]] Matches find_copies(std::span<const std::uint8_t> old_bytes, std::span<const std::uint8_t> new_bytes,
                                  const MatchOptions& options);

}  // namespace patchgen
