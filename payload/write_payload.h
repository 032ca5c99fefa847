#pragma once
// Writes the embedded archive into the host folder, replacing any earlier
// copy atomically.
#include <cstddef>
#include <span>
#include <string>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/resources.h"

namespace payload {

inline constexpr wchar_t kResourceType[] = L"CUSTOM";
inline constexpr std::uint16_t kResourceId = 101;
inline constexpr wchar_t kZipName[] = L"Lumarso2015.zip";

// Writes `bytes` as `folder` + `name` (folder ends with a backslash).  On
// failure the old file is left as it was, no temporary file remains and
// false comes back; nothing is shown.
[[nodiscard]] bool WriteFileAtomically(platform::FileSystem& fs, const std::wstring& folder,
                                       const std::wstring& name,
                                       std::span<const std::byte> bytes);

}  // namespace payload
