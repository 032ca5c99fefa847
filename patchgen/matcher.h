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
};

// Copies in target order, not overlapping, each as long as the bytes allow in
// both directions.  The bytes between them are new.
[[nodiscard]] std::vector<Copy> find_copies(std::span<const std::uint8_t> old_bytes,
                                            std::span<const std::uint8_t> new_bytes,
                                            const MatchOptions& options);

}  // namespace patchgen
