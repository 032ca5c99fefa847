#include "platform/win32/fatal.h"

#include <cxxabi.h>

#include <exception>
#include <string>

namespace platform::win32 {

namespace {

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; text != nullptr && *text != '\0'; ++text) out += static_cast<unsigned char>(*text);
  return out;
}

// msiexec's "fatal error during installation", apart from the documented codes.
constexpr UINT kFatalExitCode = 1603;

bool quiet = false;

}  // namespace

void QuietFatalReports() noexcept { quiet = true; }

void ReportFatalAndExit(HWND owner) noexcept {
  if (quiet) ExitProcess(kFatalExitCode);
  try {
    std::wstring text = L"Errore di run-time";
    try {
      // Rethrown in place, as the library's own terminate handler does (no
      // std::exception_ptr: that would link its reference counting).
      if (abi::__cxa_current_exception_type() != nullptr) throw;
    } catch (const std::exception& error) {
      text += L": " + Widen(error.what());
    } catch (...) {
      // Not a standard exception: the generic text says all we know.
    }
    MessageBoxW(owner, text.c_str(), L"Lumarso2015", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(owner, L"Errore di run-time", L"Lumarso2015", MB_OK | MB_ICONERROR);
  }
  ExitProcess(kFatalExitCode);
}

}  // namespace platform::win32
