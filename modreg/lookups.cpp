#include "modreg/lookups.h"

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

std::wstring RunLookup(ModReg& modReg, const Lookup& lookup) {
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

}  // namespace

std::wstring RetrieveProgramFilesPath(ModReg& modReg) { return RunLookup(modReg, kProgramFiles); }

std::wstring RetrieveProgramFilesVeltoPath(ModReg& modReg) {
  return RunLookup(modReg, kVeltoInstall);
}

}  // namespace modreg
