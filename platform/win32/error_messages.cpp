#include "platform/win32/error_messages.h"

#include <windows.h>

#include <iterator>

namespace platform::win32 {

namespace {

std::wstring Format(Win32Status status, DWORD language) {
  wchar_t buffer[512];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, status,
                     language, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  return std::wstring(buffer, length);
}

}  // namespace

std::wstring Win32ErrorMessages::Text(Win32Status status) {
  // Support staff read the log in English; a system without English texts
  // gives its own language rather than nothing.
  std::wstring text = Format(status, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (text.empty()) text = Format(status, 0);
  // The system ends its texts with a line break; the log wants one line.
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

}  // namespace platform::win32
