#include "platform/image_sections.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::size_t kPeOffsetAt = 0x3C;     // e_lfanew
constexpr std::size_t kFileHeaderSize = 20;   // IMAGE_FILE_HEADER
constexpr std::size_t kSectionHeaderSize = 40;

std::optional<std::uint32_t> Read(std::span<const std::byte> bytes, std::uint64_t at,
                                  std::size_t width) {
  if (at > bytes.size() || bytes.size() - at < width) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
  }
  return value;
}

}  // namespace

std::optional<std::uint64_t> FileOffsetOfRva(std::span<const std::byte> headers,
                                             std::uint64_t rva, std::uint64_t size) {
  if (Read(headers, 0, 2) != 0x5A4Du) return std::nullopt;  // "MZ"
  const auto pe = Read(headers, kPeOffsetAt, 4);
  if (!pe || Read(headers, *pe, 4) != 0x00004550u) return std::nullopt;  // "PE\0\0"
  const std::uint64_t fileHeader = std::uint64_t{*pe} + 4;
  const auto sections = Read(headers, fileHeader + 2, 2);
  const auto optionalSize = Read(headers, fileHeader + 16, 2);
  if (!sections || !optionalSize) return std::nullopt;
  const std::uint64_t table = fileHeader + kFileHeaderSize + *optionalSize;
  for (std::uint32_t i = 0; i < *sections; ++i) {
    const std::uint64_t at = table + std::uint64_t{i} * kSectionHeaderSize;
    const auto virtualSize = Read(headers, at + 8, 4);
    const auto virtualAddress = Read(headers, at + 12, 4);
    const auto rawSize = Read(headers, at + 16, 4);
    const auto rawPointer = Read(headers, at + 20, 4);
    if (!virtualSize || !virtualAddress || !rawSize || !rawPointer) return std::nullopt;
    // Past the smaller of the two sizes the image holds zeros or padding,
    // not file data; a virtual size of 0 means the raw size.
    const std::uint64_t stored =
        *virtualSize == 0 ? *rawSize : std::min(*virtualSize, *rawSize);
    if (rva >= *virtualAddress && rva - *virtualAddress <= stored &&
        size <= stored - (rva - *virtualAddress)) {
      return std::uint64_t{*rawPointer} + (rva - *virtualAddress);
    }
  }
  return std::nullopt;
}

}  // namespace platform
