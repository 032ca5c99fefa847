#pragma once
// Pairs of editions and their deltas, made by the reference encoder
// (xdelta3, VCDIFF without secondary compression or application header),
// for the decoder's and the patch's tests.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace payload::testing {

using Bytes = std::vector<std::byte>;

// Deterministic bytes that do not compress.
[[nodiscard]] Bytes Noise(std::size_t size, std::uint32_t seed);
// `old` with some runs edited in place, one removed, one inserted, and a
// block moved towards the end.
[[nodiscard]] Bytes Edited(const Bytes& old, std::uint32_t seed);

// The delta from `old` to `now`; with `checksum`, each window carries
// xdelta3's Adler-32.  Fails the test when xdelta3 fails.
[[nodiscard]] Bytes Xdelta(const Bytes& old, const Bytes& now, bool checksum = false);

// The CUSTOM/102 resource as pack_patch.py lays it out: the editions it
// updates from (oldest first), each with its delta from that edition
// followed by `pool`.
[[nodiscard]] Bytes Pack(const std::vector<Bytes>& from, const std::vector<Bytes>& deltas,
                         const Bytes& to, const Bytes& pool);
// One edition, no pool.
[[nodiscard]] Bytes Pack(const Bytes& from, const Bytes& to, const Bytes& delta);

}  // namespace payload::testing
