#pragma once
// The Italian descriptions the error record carries.
#include <cstdint>
#include <string>

namespace modreg {

inline constexpr wchar_t kErrorSource[] = L"GestioneRegistro";

// Codes of the module itself: 100, 200, 300, otherwise "Errore imprevisto".
[[nodiscard]] std::wstring ModuleCodeDescription(std::int32_t code);
// Win32 registry statuses, otherwise "Errore non previsto".
[[nodiscard]] std::wstring Win32StatusDescription(std::int32_t status);

// "<prefix>. ErrorLine:<line>.  <number> - <description>; ID : <source>"
[[nodiscard]] std::wstring ErrorReportText(const std::wstring& prefix, std::int32_t line,
                                           std::int32_t number, const std::wstring& description,
                                           const std::wstring& source);

}  // namespace modreg
