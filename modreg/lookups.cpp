// The two install-path lookups the updater uses, and a value as text.
#include <cmath>
#include <cstdio>
#include <string>

#include "modreg/modreg.h"

namespace modreg {
namespace {

struct Lookup {
  const wchar_t* keyPath;
  const wchar_t* valueName;
  const wchar_t* prefix;
};

constexpr Lookup kProgramFiles{L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
                               L"PROGRAMFILESDIR", L"ModReg - RetrieveProgramFilesPath:"};
constexpr Lookup kVeltoInstall{L"HKEY_LOCAL_MACHINE\\Software\\Velto\\Installazione", L"strPath",
                               L"ModReg - RetrieveProgramFilesVeltoPath:"};

std::wstring NumberText(double number) {
  if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15) {
    return std::to_wstring(static_cast<long long>(number));
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.15G", number);
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::wstring ToText(const RegValue& value) {
  struct Visitor {
    std::wstring operator()(std::monostate) const { return {}; }
    std::wstring operator()(const std::wstring& text) const { return text; }
    std::wstring operator()(double number) const { return NumberText(number); }
    std::wstring operator()(const std::vector<std::uint8_t>& bytes) const {
      std::wstring text;
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
      }
      return text;
    }
  };
  return std::visit(Visitor{}, value);
}

// Any failure is empty text; a failure the module reports stays in the error
// record, and only a runtime error is shown to the user.
static std::wstring RunLookup(ModReg& modReg, const Lookup& lookup) {
  try {
    std::wstring valueName = lookup.valueName;
    RegValue value;
    if (modReg.QueryValue(lookup.keyPath, valueName, value, 0) != 0) return {};
    return ToText(value);
  } catch (const RuntimeError& error) {
    modReg.ShowError(error, lookup.prefix);
    return {};
  }
}

std::wstring ModReg::RetrieveProgramFilesPath() { return RunLookup(*this, kProgramFiles); }

std::wstring ModReg::RetrieveProgramFilesVeltoPath() { return RunLookup(*this, kVeltoInstall); }

}  // namespace modreg
