#include "payload/patch_header.h"

#include <algorithm>
#include <cstring>

namespace payload {

namespace {

std::uint64_t Little(std::span<const std::byte> bytes, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = (v << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return v;
}

Edition ReadEdition(std::span<const std::byte> bytes, std::size_t at) {
  Edition e;
  e.size = Little(bytes, at, 8);
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), e.sha256.size(), e.sha256.begin());
  return e;
}

// The next `size` bytes of the resource after *at, or nothing when they are
// not all there.
std::optional<std::span<const std::byte>> Part(std::span<const std::byte> resource, std::size_t* at,
                                               std::uint64_t size) {
  if (size > resource.size() - *at) return std::nullopt;
  const auto part = resource.subspan(*at, static_cast<std::size_t>(size));
  *at += part.size();
  return part;
}

}  // namespace

std::optional<PatchHeader> ReadPatchHeader(std::span<const std::byte> resource) {
  if (resource.size() < kPatchFixedSize) return std::nullopt;
  if (std::memcmp(resource.data(), kPatchMagic, sizeof kPatchMagic) != 0) return std::nullopt;
  if (Little(resource, 8, 4) != kPatchVersion) return std::nullopt;
  const auto count = static_cast<std::uint32_t>(Little(resource, 12, 4));
  if (count == 0 || count > kMaxBases) return std::nullopt;
  const std::size_t tableEnd = kPatchFixedSize + count * kPatchBaseSize;
  if (resource.size() < tableEnd) return std::nullopt;

  PatchHeader header;
  header.to = ReadEdition(resource, 16);
  std::size_t at = tableEnd;
  const auto pool = Part(resource, &at, Little(resource, 56, 8));
  if (!pool) return std::nullopt;
  header.pool = *pool;
  header.from.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = kPatchFixedSize + i * kPatchBaseSize;
    header.from[i].edition = ReadEdition(resource, entry);
    const auto delta = Part(resource, &at, Little(resource, entry + 40, 8));
    if (!delta) return std::nullopt;
    header.from[i].delta = *delta;
  }
  return header;
}

}  // namespace payload
