#pragma once
// The archive the updater carries, read from its own executable the way the
// system loader sees it, and compared with what the updater wrote.
#include <cstdint>
#include <string>

namespace e2e {

struct PayloadComparison {
  bool same = false;
  std::int64_t resourceSize = -1;  // -1: no "CUSTOM"/101 resource in Italian
  std::int64_t fileSize = -1;      // -1: the file could not be opened
  std::int64_t firstDifference = -1;
};

[[nodiscard]] PayloadComparison ComparePayload(const std::wstring& exe, const std::wstring& file);

// Writes the exe's archive as `file`, as an earlier run would have left it;
// with the byte at `changedAt` altered when that is not negative.  Returns
// the archive's size, or -1 when it could not be done.
std::int64_t PlacePayloadCopy(const std::wstring& exe, const std::wstring& file,
                              std::int64_t changedAt = -1);

}  // namespace e2e
