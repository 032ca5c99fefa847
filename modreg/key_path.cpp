#include "modreg/key_path.h"

#include <algorithm>
#include <array>
#include <utility>

#include "modreg/runtime_error.h"

namespace modreg {
namespace {

// The piece index is a signed 16-bit counter.
constexpr std::size_t kPieceIndexLimit = 32768;

bool EqualsUpperCased(std::wstring_view text, std::wstring_view upper) noexcept {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - (L'a' - L'A'));
    if (c != upper[i]) return false;
  }
  return true;
}

}  // namespace

std::wstring_view TrimSpaces(std::wstring_view text) noexcept {
  const std::size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const std::size_t last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

KeyPathParts SplitKeyPath(std::wstring_view path) {
  const std::wstring_view whole = TrimSpaces(path);
  // An empty text cuts into no piece at all.
  const std::size_t pieces =
      whole.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(whole.begin(), whole.end(), L'\\'));
  if (pieces > kPieceIndexLimit) throw Overflow();

  KeyPathParts result;
  std::size_t start = 0;
  for (std::size_t index = 0; index < pieces; ++index) {
    const std::size_t end = std::min(whole.find(L'\\', start), whole.size());
    const std::wstring_view piece = TrimSpaces(whole.substr(start, end - start));
    start = end + 1;
    if (piece.empty()) continue;
    if (result.parts.size() == kMaxKeyPathParts) {
      result.tooManyParts = true;
      return result;
    }
    result.parts.emplace_back(piece);
  }
  // The counter steps past its last value once the final piece is done.
  if (pieces == kPieceIndexLimit) throw Overflow();
  return result;
}

std::optional<platform::RegKey> LookUpRoot(std::wstring_view rootName) {
  static constexpr std::array<std::pair<std::wstring_view, platform::RegKey>, 7> kRoots{{
      {L"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
      {L"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
      {L"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
      {L"HKEY_USERS", platform::kHkeyUsers},
      {L"HKEY_CURRENT_CONFIG", platform::kHkeyCurrentConfig},
      {L"HKEY_DYN_DATA", platform::kHkeyDynData},
      {L"HKEY_PERFORMANCE_DATA", platform::kHkeyPerformanceData},
  }};
  for (const auto& [name, key] : kRoots) {
    if (EqualsUpperCased(rootName, name)) return key;
  }
  return std::nullopt;
}

}  // namespace modreg
