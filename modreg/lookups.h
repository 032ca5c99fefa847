#pragma once
// The two install-path lookups the updater uses.  Any failure is empty text;
// a failure the module reports stays in the error record, and only a
// runtime error is shown to the user.
#include <string>

namespace modreg {

class ModReg;

// HKLM\Software\Microsoft\Windows\CurrentVersion, "PROGRAMFILESDIR".
[[nodiscard]] std::wstring RetrieveProgramFilesPath(ModReg& modReg);
// HKLM\Software\Velto\Installazione, "strPath".
[[nodiscard]] std::wstring RetrieveProgramFilesVeltoPath(ModReg& modReg);

}  // namespace modreg
