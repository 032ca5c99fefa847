#pragma once
// Names of the temporary files a write leaves beside its target while it
// runs: "<name>.~<8 hex digits>.tmp".
#include <cstdint>
#include <string>

namespace payload {

[[nodiscard]] std::wstring TempName(const std::wstring& name, std::uint32_t serial);
// The wildcard that finds every candidate, for a folder listing.
[[nodiscard]] std::wstring TempPattern(const std::wstring& name);
// True only for names TempName could have made for `name` (any letter case).
[[nodiscard]] bool IsTempName(const std::wstring& candidate, const std::wstring& name);

}  // namespace payload
