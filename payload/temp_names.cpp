#include "payload/temp_names.h"

#include <cwctype>

namespace payload {

namespace {

constexpr wchar_t kMarker[] = L".~";
constexpr wchar_t kSuffix[] = L".tmp";
constexpr std::size_t kDigits = 8;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool SameText(const std::wstring& a, std::size_t at, const std::wstring& b) {
  if (a.size() < at + b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (Upper(a[at + i]) != Upper(b[i])) return false;
  }
  return true;
}

bool IsHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (Upper(c) >= L'A' && Upper(c) <= L'F');
}

}  // namespace

std::wstring TempName(const std::wstring& name, std::uint32_t serial) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring digits(kDigits, L'0');
  for (std::size_t i = kDigits; i-- > 0; serial >>= 4) digits[i] = kHex[serial & 0xF];
  return name + kMarker + digits + kSuffix;
}

std::wstring TempPattern(const std::wstring& name) { return name + kMarker + L"*" + kSuffix; }

bool IsTempName(const std::wstring& candidate, const std::wstring& name) {
  const std::wstring marker = kMarker;
  const std::wstring suffix = kSuffix;
  if (candidate.size() != name.size() + marker.size() + kDigits + suffix.size()) return false;
  if (!SameText(candidate, 0, name) || !SameText(candidate, name.size(), marker)) return false;
  const std::size_t digits = name.size() + marker.size();
  for (std::size_t i = 0; i < kDigits; ++i) {
    if (!IsHexDigit(candidate[digits + i])) return false;
  }
  return SameText(candidate, digits + kDigits, suffix);
}

}  // namespace payload
