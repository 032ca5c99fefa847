#pragma once
// Where a part of a mapped PE image (32- or 64-bit) is stored in its file,
// read from the image's own headers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The file offset of the `size` bytes at `rva`, when one section's file data
// holds all of them.  `headers` are the image's headers as mapped at its
// base; anything that does not parse as a PE image gives nullopt.
[[nodiscard]] std::optional<std::uint64_t> FileOffsetOfRva(std::span<const std::byte> headers,
                                                           std::uint64_t rva, std::uint64_t size);

}  // namespace platform
