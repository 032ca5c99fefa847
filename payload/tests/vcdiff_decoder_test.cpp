// The delta decoder on deltas made by the reference encoder, and on deltas
// damaged or made up to break every bound: it rebuilds the new file exactly,
// or says the delta is damaged without reading or writing out of bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/tests/patch_pairs.h"
#include "payload/vcdiff_decoder.h"

namespace payload {
namespace {

using testing::Bytes;
using testing::Edited;
using testing::Noise;
using testing::Xdelta;

// The old file in memory; counts what was read.
class MemorySource final : public DeltaSource {
 public:
  explicit MemorySource(const Bytes& bytes) : bytes_(bytes) {}
  platform::Win32Status Read(std::uint64_t offset, void* buffer, std::uint32_t size) override {
    EXPECT_LE(offset + size, bytes_.size()) << "read past the end of the source";
    EXPECT_LE(size, kSourceBlock);
    if (offset + size > bytes_.size()) return 38;
    std::memcpy(buffer, bytes_.data() + offset, size);
    read += size;
    return failWith;
  }
  std::uint64_t read = 0;
  platform::Win32Status failWith = platform::kErrorSuccess;

 private:
  const Bytes& bytes_;
};

struct Decoded {
  bool ok = false;
  Bytes out;
  std::size_t windows = 0;
  DeltaProblem problem = DeltaProblem::kNone;
};

Decoded Decode(const Bytes& delta, const Bytes& old, std::size_t limit = 64u << 20) {
  VcdiffDecoder decoder(delta, old.size());
  MemorySource source(old);
  Decoded d;
  std::span<const std::byte> window;
  while ((d.ok = decoder.Next(source, &window)) && !window.empty()) {
    EXPECT_LE(window.size(), kMaxTargetWindow);
    d.out.insert(d.out.end(), window.begin(), window.end());
    ++d.windows;
    if (d.out.size() > limit) break;
  }
  d.problem = decoder.Problem();
  return d;
}

struct Pair {
  const char* name;
  Bytes old, now;
  bool checksum = false;
};

class RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(RoundTrip, RebuildsTheNewFileExactly) {
  const Pair& p = GetParam();
  const Bytes delta = Xdelta(p.old, p.now, p.checksum);
  const Decoded d = Decode(delta, p.old);
  ASSERT_TRUE(d.ok) << p.name;
  EXPECT_TRUE(d.out == p.now) << p.name << ": " << d.out.size() << " bytes rebuilt, " << p.now.size()
                              << " expected";
}

const Bytes kOld = Noise(300000, 1);
const Bytes kBig = Noise(9u << 20, 2);  // three target windows and more

INSTANTIATE_TEST_SUITE_P(
    Xdelta3, RoundTrip,
    ::testing::Values(Pair{"identical", kOld, kOld}, Pair{"edited", kOld, Edited(kOld, 3)},
                      Pair{"edited_with_checksums", kOld, Edited(kOld, 4), true},
                      Pair{"entirely_different", kOld, Noise(200000, 5)},
                      Pair{"from_nothing", {}, Noise(1000, 6)},
                      Pair{"to_nothing", kOld, {}},
                      Pair{"tiny", Noise(3, 7), Noise(5, 8)},
                      Pair{"runs", kOld, Bytes(100000, std::byte{0x5A})},
                      Pair{"big_edited_several_windows", kBig, Edited(kBig, 9)},
                      Pair{"big_reordered", kBig, [] {
                             Bytes b(kBig.begin() + (5u << 20), kBig.end());
                             b.insert(b.end(), kBig.begin(), kBig.begin() + (5u << 20));
                             return b;
                           }()}),
    [](const auto& info) { return std::string(info.param.name); });

// A valid delta, cut short or with one byte changed anywhere: never a crash
// or a read outside the source (MemorySource checks), never a window over
// the limit; a cut one never passes as complete.
TEST(DamagedDelta, IsRefusedOrDecodedWithinBounds) {
  const Bytes old = Noise(20000, 11);
  const Bytes now = Edited(old, 12);
  const Bytes delta = Xdelta(old, now);
  for (std::size_t cut = 0; cut < delta.size(); ++cut) {
    const Bytes shorter(delta.begin(), delta.begin() + static_cast<std::ptrdiff_t>(cut));
    const Decoded d = Decode(shorter, old);
    EXPECT_FALSE(d.ok && d.out == now) << "cut at " << cut;
  }
  for (std::size_t at = 0; at < delta.size(); ++at) {
    for (const std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      Bytes changed = delta;
      changed[at] ^= std::byte{flip};
      (void)Decode(changed, old);
    }
  }
}

// Deltas written by hand: header, one window, sections.
Bytes Delta(std::initializer_list<int> window) {
  Bytes d = {std::byte{0xD6}, std::byte{0xC3}, std::byte{0xC4}, std::byte{0}, std::byte{0}};
  for (const int b : window) d.push_back(static_cast<std::byte>(b));
  return d;
}

struct Hostile {
  const char* name;
  Bytes delta;
  DeltaProblem problem;
};

class HostileDelta : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileDelta, IsRefused) {
  const Bytes old = Noise(1000, 13);
  const Decoded d = Decode(GetParam().delta, old);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.problem, GetParam().problem);
}

// Window: indicator, [segment size, position], encoding length, target
// length, 0, data length, instruction length, address length, sections.
INSTANTIATE_TEST_SUITE_P(
    MadeUp, HostileDelta,
    ::testing::Values(
        Hostile{"bad_magic", {std::byte{0xD6}, std::byte{0xC3}, std::byte{0xC5}, std::byte{0}, std::byte{0}},
                DeltaProblem::kDamaged},
        Hostile{"secondary_compression", [] { auto d = Delta({}); d[4] = std::byte{1}; d.push_back(std::byte{2}); return d; }(),
                DeltaProblem::kDamaged},
        Hostile{"own_code_table", [] { auto d = Delta({}); d[4] = std::byte{2}; return d; }(),
                DeltaProblem::kDamaged},
        // ADD 3 of data that holds 2.
        Hostile{"add_past_data", Delta({0, 8, 3, 0, 2, 1, 0, 'a', 'b', 4}), DeltaProblem::kDamaged},
        // RUN of 5 into a window of 3.
        Hostile{"run_past_window", Delta({0, 8, 3, 0, 1, 2, 0, 'a', 0, 5}), DeltaProblem::kDamaged},
        // A window of 4 MiB + 1 (varint 0x82 0x80 0x80 0x01).
        Hostile{"window_too_big", Delta({0, 8, 0x82, 0x80, 0x80, 0x01, 0, 0, 0, 0}),
                DeltaProblem::kDamaged},
        // Source segment 10 bytes at 995 of a 1000-byte file.
        Hostile{"segment_past_source", Delta({1, 10, 0x87, 0x63, 5, 1, 0, 0, 0, 0}),
                DeltaProblem::kDamaged},
        // The same segment, read by a COPY 4 (code 20) from its address 6.
        Hostile{"copy_from_a_segment_past_source", Delta({1, 10, 0x87, 0x63, 7, 4, 0, 0, 1, 1, 20, 6}),
                DeltaProblem::kDamaged},
        // COPY 4 (code 19+1 = size 4, mode 0) from address 12 of a 10-byte segment, nothing yet built.
        Hostile{"copy_from_the_future", Delta({1, 10, 0, 7, 4, 0, 0, 1, 1, 20, 12}),
                DeltaProblem::kDamaged},
        // COPY in "here" mode going back further than there is.
        Hostile{"copy_here_before_start", Delta({1, 10, 0, 7, 4, 0, 0, 1, 1, 36, 11}),
                DeltaProblem::kDamaged},
        // COPY from a "same" cache slot (mode 6, size 4) never filled: address 0 of no segment.
        Hostile{"copy_same_empty", Delta({0, 7, 4, 0, 0, 1, 1, 116, 0}), DeltaProblem::kDamaged},
        Hostile{"from_the_target", Delta({2, 10, 0, 6, 4, 0, 0, 1, 1, 20, 0}),
                DeltaProblem::kDamaged},
        Hostile{"compressed_sections", Delta({0, 7, 1, 1, 1, 1, 0, 'a', 2}), DeltaProblem::kDamaged},
        Hostile{"encoding_past_delta", Delta({0, 50, 1, 0, 1, 1, 0}), DeltaProblem::kDamaged},
        Hostile{"unused_data", Delta({0, 8, 1, 0, 2, 1, 0, 'a', 'b', 2}), DeltaProblem::kDamaged},
        Hostile{"short_window", Delta({0, 7, 2, 0, 1, 1, 0, 'a', 2}), DeltaProblem::kDamaged},
        Hostile{"integer_overflow",
                Delta({1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0}),
                DeltaProblem::kDamaged},
        // A window of 2^64 + 3 bytes, which must not pass for 3: ADD "abc".
        Hostile{"integer_past_64_bits",
                Delta({0, 18, 0x82, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x03, 0, 3, 1, 0,
                       'a', 'b', 'c', 4}),
                DeltaProblem::kDamaged}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandMadeDelta, CopiesOverlappingItsOwnOutputAsRuns) {
  // ADD "ab" (code 3 = ADD 2), then COPY 6 from target address 0 (code 19,
  // size 6 given, mode 0, address 0): "abababab".
  const Bytes old;
  const Decoded d = Decode(Delta({0, 11, 8, 0, 2, 3, 1, 'a', 'b', 3, 19, 6, 0}), old);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.out.data()), d.out.size()), "abababab");
  // ADD "ab", then code 247: COPY 4 from address 0 first, ADD 1 "c" second.
  const Decoded pair = Decode(Delta({0, 11, 7, 0, 3, 2, 1, 'a', 'b', 'c', 3, 247, 0}), old);
  ASSERT_TRUE(pair.ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pair.out.data()), pair.out.size()), "abababc");
}

TEST(SourceReads, FailTheDecodeWithTheirStatus) {
  const Bytes old = Noise(100000, 14);
  const Bytes delta = Xdelta(old, Edited(old, 15));
  VcdiffDecoder decoder(delta, old.size());
  MemorySource source(old);
  source.failWith = 23;
  std::span<const std::byte> window;
  EXPECT_FALSE(decoder.Next(source, &window));
  EXPECT_EQ(decoder.Problem(), DeltaProblem::kReadFailed);
  EXPECT_EQ(decoder.Status(), 23u);
  EXPECT_FALSE(decoder.Next(source, &window)) << "a failed decoder stays failed";
}

}  // namespace
}  // namespace payload
