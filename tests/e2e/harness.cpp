#include "harness.h"

#include <windows.h>

#include <chrono>
#include <cstdio>

namespace e2e {
namespace {
const auto gStart = std::chrono::steady_clock::now();
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Quote(const std::wstring& text) {
  std::wstring shown = text.size() > 120 ? text.substr(0, 117) + L"..." : text;
  std::string out = "\"";
  for (char c : Narrow(shown)) {
    if (c == '"') out += "\\\"";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  out += "\"";
  if (text.size() > 120) out += " (" + std::to_string(text.size()) + " chars)";
  return out;
}

void Log(const std::string& message) {
  const double s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
  std::printf("[%7.2f s] %s\n", s, message.c_str());
  std::fflush(stdout);
}

void Log(const std::wstring& message) { Log(Narrow(message)); }

void Fail(const std::string& what, const char* file, int line) {
  const char* base = file;
  for (const char* p = file; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  throw CheckFailed(std::string(base) + ":" + std::to_string(line) + ": " + what);
}

}  // namespace e2e
