#pragma once
// The key-path syntax: a root name, then subkey names, separated by '\';
// spaces around the whole text and around each part are ignored, empty parts
// are skipped, and a path holds at most 32 parts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace modreg {

inline constexpr std::size_t kMaxKeyPathParts = 32;

struct KeyPathParts {
  std::vector<std::wstring> parts;  // at most kMaxKeyPathParts, trimmed, never empty
  bool tooManyParts = false;        // a 33rd part was met; collection stopped there
};

// Leading and trailing spaces (only the space character) removed.
[[nodiscard]] std::wstring_view TrimSpaces(std::wstring_view text) noexcept;

// Cuts and collects the parts.  The pieces are counted with a signed 16-bit
// index, and callers see its limit: a path cut into more than 32,768 pieces
// throws the runtime error Overflow before any piece is looked at, and one of
// exactly 32,768 pieces throws it after the last piece unless a 33rd part
// ended the collection first.
[[nodiscard]] KeyPathParts SplitKeyPath(std::wstring_view path);

// The predefined root that a root name stands for, compared in upper case.
[[nodiscard]] std::optional<platform::RegKey> LookUpRoot(std::wstring_view rootName);

}  // namespace modreg
