#include "payload_check.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/support/win32/owners.h"

namespace e2e {

PayloadComparison ComparePayload(const std::wstring& exe, const std::wstring& file) {
  PayloadComparison result;
  const test_support::UniqueModule image(
      LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!image) return result;
  const WORD italian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);  // 1040
  HRSRC found = FindResourceExW(image.get(), L"CUSTOM", MAKEINTRESOURCEW(101), italian);
  if (!found) return result;
  const DWORD size = SizeofResource(image.get(), found);
  HGLOBAL loaded = LoadResource(image.get(), found);
  const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return result;
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
