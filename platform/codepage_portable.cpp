// Away from Windows the system code page is taken as Latin-1: one byte per
// character, '?' for what it cannot hold, as WideCharToMultiByte does.
#include "platform/codepage.h"

namespace platform {

std::string ToAnsi(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?');
  return out;
}

std::wstring FromAnsi(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace platform
