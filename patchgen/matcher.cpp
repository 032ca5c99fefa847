#include "patchgen/matcher.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace patchgen {

namespace {

using u8 = std::uint8_t;
using u64 = std::uint64_t;

u64 load64(const u8* p) noexcept {
    u64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// A hash of `block` bytes (a multiple of 8) for the index, not for integrity:
// a candidate is always compared byte for byte before it is used.
u64 block_hash(const u8* p, std::size_t block) noexcept {
    u64 h = 0x243F6A8885A308D3ull;
    for (std::size_t i = 0; i < block; i += 8) {
        h = (h ^ load64(p + i)) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return h * 0xBF58476D1CE4E5B9ull;
}

// Gear table for the content anchors: a fixed pseudo-random word per byte
// value, so the same bytes give the same anchors in both editions.
constexpr std::array<u64, 256> make_gear() {
    std::array<u64, 256> t{};
    u64 x = 0x9E3779B97F4A7C15ull;
    for (auto& v : t) {
        x += 0x9E3779B97F4A7C15ull;  // splitmix64
        u64 z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        v = z ^ (z >> 31);
    }
    return t;
}
constexpr auto gear = make_gear();

// The gear hash shifts one bit per byte, so it depends on the last 64 bytes
// only; recomputing it over those gives the value the rolling one would have.
constexpr std::size_t gear_window = 64;

u64 gear_over(const u8* data, std::size_t end) noexcept {
    u64 g = 0;
    for (std::size_t i = end > gear_window ? end - gear_window : 0; i < end; ++i) g = (g << 1) + gear[data[i]];
    return g;
}

// Bytes equal from a and b onwards, at most max.
std::size_t equal_forward(const u8* a, const u8* b, std::size_t max) noexcept {
    std::size_t i = 0;
    for (; i + 8 <= max; i += 8) {
        const u64 x = load64(a + i) ^ load64(b + i);
        if (x != 0) return i + static_cast<std::size_t>(std::countr_zero(x)) / 8;
    }
    while (i < max && a[i] == b[i]) ++i;
    return i;
}

// Bytes equal before a and b, at most max.
std::size_t equal_backward(const u8* a, const u8* b, std::size_t max) noexcept {
    std::size_t i = 0;
    while (i < max && a[-1 - static_cast<std::ptrdiff_t>(i)] == b[-1 - static_cast<std::ptrdiff_t>(i)]) ++i;
    return i;
}

// Open hashing in buckets of four slots (32 bytes, half a cache line): the
// high bits of the hash pick the bucket, 32 low bits are kept to skip most
// wrong candidates without touching the old file.  A full bucket keeps the
// blocks it has: the first copy of repeated content is as good as any.
class Index {
public:
    static constexpr std::size_t bucket = 4;

    // 1.5 slots per entry: few full buckets, and 768 MiB for a 1 GiB file.
    explicit Index(std::size_t entries)
        : buckets_(std::max<u64>((entries * 3 / 2 + bucket - 1) / bucket, 256)) {
        slots_.assign(buckets_ * bucket, 0);
    }

    void insert(u64 hash, std::uint32_t offset) noexcept {
        Slot* b = &slots_[bucket_of(hash) * bucket];
        for (std::size_t i = 0; i < bucket; ++i) {
            if (b[i] == 0) {
                b[i] = (hash << 32) | (static_cast<u64>(offset) + 1);
                return;
            }
        }
    }

    // Calls f(offset) for each slot of the hash's bucket whose check bits match.
    template <class F>
    void candidates(u64 hash, F&& f) const {
        const Slot* b = &slots_[bucket_of(hash) * bucket];
        const u64 check = hash << 32;
        for (std::size_t i = 0; i < bucket && b[i] != 0; ++i) {
            if ((b[i] & 0xFFFFFFFF00000000ull) == check) f(static_cast<std::size_t>((b[i] & 0xFFFFFFFFu) - 1));
        }
    }

private:
    using Slot = u64;  // check bits << 32 | offset + 1; 0 is empty
    // The top 32 bits scaled to the bucket count (any count, not only powers of 2).
    [[nodiscard]] std::size_t bucket_of(u64 hash) const noexcept {
        return static_cast<std::size_t>(((hash >> 32) * buckets_) >> 32);
    }
    u64 buckets_;
    std::vector<Slot> slots_;
};

}  // namespace

Matches find_copies(std::span<const u8> old_bytes, std::span<const u8> new_bytes, const MatchOptions& options) {
    const std::size_t block = options.block;
    if (block < 8 || block > 64 || block % 8 != 0) throw std::invalid_argument("block must be 8..64, a multiple of 8");
    if (!std::has_single_bit(options.spacing)) throw std::invalid_argument("spacing must be a power of 2");
    if (old_bytes.size() >= 0xFFFFFFFFull) throw std::invalid_argument("the old file must be smaller than 4 GiB");

    const u8* old_data = old_bytes.data();
    const u8* new_data = new_bytes.data();
    const std::size_t old_size = old_bytes.size();
    const std::size_t new_size = new_bytes.size();
    const bool by_content = options.anchors == Anchors::content;
    // An anchor is where the gear hash's top bits are all zero.
    const unsigned anchor_shift = 64 - static_cast<unsigned>(std::countr_zero(options.spacing));
    Matches result;
    std::vector<Copy>& copies = result.copies;
    const auto finish = [&](std::size_t end) {
        result.scanned = end;
        result.uncovered = end;
        for (const Copy& c : copies) result.uncovered -= c.length;
        return result;
    };
    if (old_size < block || new_size < block) return finish(new_size);

    Index index(by_content ? old_size / options.spacing : old_size / block);
    if (by_content) {
        u64 g = gear_over(old_data, block - 1);
        for (std::size_t i = 0; i + block <= old_size; ++i) {
            g = (g << 1) + gear[old_data[i + block - 1]];
            if ((g >> anchor_shift) == 0) index.insert(block_hash(old_data + i, block), static_cast<std::uint32_t>(i));
        }
    } else {
        for (std::size_t i = 0; i + block <= old_size; i += block)
            index.insert(block_hash(old_data + i, block), static_cast<std::uint32_t>(i));
    }

    std::size_t p = 0;          // next new byte to look up
    std::size_t uncovered = 0;  // first new byte no copy covers
    std::ptrdiff_t diagonal = 0;
    bool have_diagonal = false;
    u64 g = by_content ? gear_over(new_data, block - 1) : 0;
    u64 uncovered_bytes = 0;  // new bytes before `uncovered` in no copy
    // The end of the last copy long enough to say the files still match
    // here: short ones (a name, a header field) are found in unrelated files
    // too, and must not slow the scan down.
    std::size_t matching = 0;
    constexpr std::size_t long_copy = 64;

    while (p + block <= new_size) {
        if (uncovered_bytes + (p - uncovered) > options.give_up_over) {
            result.gave_up = true;
            return finish(p);
        }
        if (by_content) {
            g = (g << 1) + gear[new_data[p + block - 1]];
        }
        std::size_t best_len = 0, best_back = 0, best_source = 0;
        auto consider = [&](std::size_t source) {
            if (std::memcmp(old_data + source, new_data + p, block) != 0) return;
            const std::size_t back = equal_backward(old_data + source, new_data + p, std::min(source, p - uncovered));
            const std::size_t fwd = equal_forward(old_data + source + block, new_data + p + block,
                                                  std::min(old_size - source, new_size - p) - block);
            const std::size_t len = back + block + fwd;
            if (len > best_len) best_len = len, best_back = back, best_source = source;
        };
        // The old bytes right after the last copy's, shifted as it was: after
        // an edit of the same length the old file goes on there.
        if (have_diagonal) {
            const std::ptrdiff_t s = static_cast<std::ptrdiff_t>(p) + diagonal;
            if (s >= 0 && static_cast<std::size_t>(s) + block <= old_size) consider(static_cast<std::size_t>(s));
        }
        if (!by_content || (g >> anchor_shift) == 0) index.candidates(block_hash(new_data + p, block), consider);

        if (best_len == 0) {
            // Two more every 4 KiB without a copy, from one byte up to
            // kMaxStride.  Odd steps meet every alignment of the old blocks
            // within 16 lookups, so no long copy is passed over.
            p += by_content ? 1 : std::min<std::size_t>(kMaxStride, 1 + 2 * ((p - matching) >> 12));
            continue;
        }
        const std::size_t start = p - best_back;
        uncovered_bytes += start - uncovered;
        copies.push_back({start, best_source - best_back, best_len});
        diagonal = static_cast<std::ptrdiff_t>(best_source) - static_cast<std::ptrdiff_t>(p);
        have_diagonal = true;
        p = uncovered = start + best_len;
        if (best_len >= long_copy) matching = p;
        if (by_content && p + block <= new_size) g = gear_over(new_data, p + block - 1);
    }
    return finish(new_size);
}

}  // namespace patchgen
