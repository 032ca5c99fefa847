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

}  // namespace

std::optional<PatchHeader> ReadPatchHeader(std::span<const std::byte> resource) {
  if (resource.size() < kPatchHeaderSize) return std::nullopt;
  if (std::memcmp(resource.data(), kPatchMagic, sizeof kPatchMagic) != 0) return std::nullopt;
  if (Little(resource, 8, 4) != kPatchVersion) return std::nullopt;
  const std::uint64_t deltaSize = Little(resource, 92, 8);
  // The resource may be padded after the delta, never shorter.
  if (deltaSize > resource.size() - kPatchHeaderSize) return std::nullopt;
  PatchHeader header;
  header.from = ReadEdition(resource, 12);
  header.to = ReadEdition(resource, 52);
  header.delta = resource.subspan(kPatchHeaderSize, static_cast<std::size_t>(deltaSize));
  return header;
}

}  // namespace payload
