#pragma once
// The two contents the kill helper writes in turn, so that whatever moment
// a kill lands on, the target must hold exactly one of them.
#include <cstddef>
#include <span>
#include <vector>

namespace payload::testing {

// The embedded payload as is.
inline std::span<const std::byte> VariantA(std::span<const std::byte> payload) { return payload; }

// A different, shorter content made from it.
inline std::vector<std::byte> VariantB(std::span<const std::byte> payload) {
  std::vector<std::byte> bytes(payload.begin(), payload.end() - static_cast<std::ptrdiff_t>(payload.size() / 3));
  for (std::byte& b : bytes) b ^= std::byte{0x5A};
  return bytes;
}

}  // namespace payload::testing
