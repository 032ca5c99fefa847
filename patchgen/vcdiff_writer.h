// Writes a delta as VCDIFF (RFC 3284): the default code table, no secondary
// compressor, no application header; target windows of at most 4 MiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "patchgen/matcher.h"

namespace patchgen {

// The decoder rebuilds one target window at a time in a buffer of this size.
inline constexpr std::size_t max_window = std::size_t{4} << 20;

struct DeltaFigures {
    std::uint64_t bytes = 0;    // the whole delta
    std::uint64_t windows = 0;
    std::uint64_t copied = 0;   // new bytes taken from the old file
    std::uint64_t added = 0;    // new bytes carried in the delta (ADD and RUN)
};

// Writes the header and then one window per max_window bytes of the new file
// (one empty window for an empty one).  Throws std::runtime_error when the output fails.
DeltaFigures write_vcdiff(std::FILE* out, std::span<const std::uint8_t> new_bytes, const std::vector<Copy>& copies);

}  // namespace patchgen
