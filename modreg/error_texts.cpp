#include "modreg/error_texts.h"

#include "platform/decimal.h"

namespace modreg {

std::wstring ModuleCodeDescription(std::int32_t code) {
  switch (code) {
    case 100: return L"Il massimo numero di chiavi previste \u00E8 stato superato";
    case 200: return L"Il tipo dichiarato non corrisponde al valore passato come parametro";
    case 300: return L"Il tipo passato come parametro non risulta essere valido";
    default: return L"Errore imprevisto";
  }
}

std::wstring Win32StatusDescription(std::int32_t status) {
  switch (status) {
    case 2: return L"La chiave/valore specificata/o non esiste";
    case 5: return L"Accesso negato al registro";
    case 14: return L"Out of memory";
    case 87: return L"Parametro non valido";
    case 1009: return L"Il database del registro risulta essere danneggiato";
    case 1010: return L"Il nome della chiave non risulta essere corretto";
    case 1011: return L"Non \u00E8 stato possibile aprire la chiave specificata";
    case 1012: return L"Non \u00E8 stato possibile leggere la chiave specificata";
    case 1013: return L"Non \u00E8 stato possibile scrivere la chiave specificata";
    default: return L"Errore non previsto";
  }
}

std::wstring ErrorReportText(const std::wstring& prefix, std::int32_t line, std::int32_t number,
                             const std::wstring& description, const std::wstring& source) {
  return prefix + L". ErrorLine:" + platform::Decimal(line) + L".  " + platform::Decimal(number) +
         L" - " + description + L"; ID : " + source;
}

}  // namespace modreg
