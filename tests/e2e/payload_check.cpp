#include "payload_check.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/support/win32/owners.h"
#include "tests/support/win32/scratch_folder.h"

namespace e2e {

namespace {

// The "CUSTOM"/101 resource in Italian, as the loader maps it from `exe`.
struct Archive {
  test_support::UniqueModule image;
  const unsigned char* bytes = nullptr;
  DWORD size = 0;

  explicit Archive(const std::wstring& exe)
      : image(LoadLibraryExW(exe.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    if (!image) return;
    const WORD italian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);  // 1040
    HRSRC found = FindResourceExW(image.get(), L"CUSTOM", MAKEINTRESOURCEW(101), italian);
    if (!found) return;
    HGLOBAL loaded = LoadResource(image.get(), found);
    bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes) size = SizeofResource(image.get(), found);
  }
};

}  // namespace

std::int64_t PlacePayloadCopy(const std::wstring& exe, const std::wstring& file,
                              std::int64_t changedAt) {
  const Archive archive(exe);
  if (!archive.bytes || changedAt >= static_cast<std::int64_t>(archive.size)) return -1;
  std::vector<unsigned char> copy(archive.bytes, archive.bytes + archive.size);
  if (changedAt >= 0) copy[static_cast<std::size_t>(changedAt)] ^= 0x5A;
  if (!test_support::WriteAll(file, copy.data(), copy.size())) return -1;
  return archive.size;
}

PayloadComparison ComparePayload(const std::wstring& exe, const std::wstring& file) {
  PayloadComparison result;
  const Archive archive(exe);
  if (!archive.bytes) return result;
  const unsigned char* bytes = archive.bytes;
  const DWORD size = archive.size;
  result.resourceSize = size;

  const test_support::UniqueFileHandle target(CreateFileW(
      file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!target) return result;
  LARGE_INTEGER fileSize{};
  GetFileSizeEx(target.get(), &fileSize);
  result.fileSize = fileSize.QuadPart;

  std::vector<unsigned char> chunk(4 << 20);
  std::int64_t offset = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(target.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
      return result;
    if (got == 0) break;
    const std::int64_t comparable = std::min<std::int64_t>(got, std::max<std::int64_t>(0, size - offset));
    const auto mismatch = std::mismatch(chunk.begin(), chunk.begin() + comparable, bytes + offset);
    if (mismatch.first != chunk.begin() + comparable) {
      result.firstDifference = offset + (mismatch.first - chunk.begin());
      return result;
    }
    offset += got;
  }
  if (offset != size) {
    result.firstDifference = std::min<std::int64_t>(offset, size);
    return result;
  }
  result.same = true;
  return result;
}

}  // namespace e2e
