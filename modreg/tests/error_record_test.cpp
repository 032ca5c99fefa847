// The error record's tables and resets, and the error report box.
#include <utility>

#include "modreg/tests/modreg_fixture.h"

namespace modreg::testing {
namespace {

using ErrorRecord = ModRegTest;

TEST_F(ErrorRecord, Win32StatusesGetTheirItalianTextAndAnythingElseTheFallback) {
  const std::pair<std::int32_t, const wchar_t*> table[] = {
      {2, L"La chiave/valore specificata/o non esiste"},
      {5, L"Accesso negato al registro"},
      {14, L"Out of memory"},
      {87, L"Parametro non valido"},
      {1009, L"Il database del registro risulta essere danneggiato"},
      {1010, L"Il nome della chiave non risulta essere corretto"},
      {1011, L"Non \u00E8 stato possibile aprire la chiave specificata"},
      {1012, L"Non \u00E8 stato possibile leggere la chiave specificata"},
      {1013, L"Non \u00E8 stato possibile scrivere la chiave specificata"},
      {0, L"Errore non previsto"},
      {234, L"Errore non previsto"},
      {-1, L"Errore non previsto"},
      {100, L"Errore non previsto"},
  };
  for (const auto& [status, text] : table) {
    modReg.SetRegErrorWin32(status);
    ExpectRecord(status, text);
  }
}

TEST_F(ErrorRecord, ModuleCodesGetTheirItalianTextAndAnythingElseTheOtherFallback) {
  const std::pair<std::int32_t, const wchar_t*> table[] = {
      {100, L"Il massimo numero di chiavi previste \u00E8 stato superato"},
      {200, L"Il tipo dichiarato non corrisponde al valore passato come parametro"},
      {300, L"Il tipo passato come parametro non risulta essere valido"},
      {0, L"Errore imprevisto"},
      {2, L"Errore imprevisto"},
      {-100, L"Errore imprevisto"},
  };
  for (const auto& [code, text] : table) {
    const std::int32_t argument = code;
    modReg.SetRegErrorCode(argument);
    ExpectRecord(code, text);
    EXPECT_EQ(argument, code);
  }
}

TEST_F(ErrorRecord, ClearEmptiesWhateverWasStored) {
  ExpectRecordEmpty();  // as the program starts
  modReg.SetRegErrorWin32(1013);
  modReg.ClearRegError();
  ExpectRecordEmpty();
}

TEST_F(ErrorRecord, ReportShowsTheCurrentErrorInACriticalBoxThenResetsThePointer) {
  int resetsWhileOpen = -1;
  dialogs.AnswerMessage(platform::Answer::Ok, [&] { resetsWhileOpen = process.pointerResets; });
  modReg.SetRegErrorWin32(5);
  modReg.ShowError(RuntimeError(5, L"invalid procedure call or argument", L"Lumarso2015"),
                   L"ModReg - RetrieveProgramFilesPath:");
  ASSERT_EQ(dialogs.MessageCount(), 1u);
  const auto& box = dialogs.Shown().front();
  EXPECT_EQ(box.text,
            L"ModReg - RetrieveProgramFilesPath:. ErrorLine:0.  5 - invalid procedure call or "
            L"argument; ID : Lumarso2015");
  EXPECT_EQ(box.icon, platform::Icon::Critical);
  EXPECT_EQ(box.buttons, platform::Buttons::Ok);
  EXPECT_EQ(box.title, L"");
  EXPECT_EQ(resetsWhileOpen, 0);
  EXPECT_EQ(process.pointerResets, 1);
  ExpectRecord(5, L"Accesso negato al registro");  // the record is not the report's business
}

TEST_F(ErrorRecord, ReportKeepsItsSeparatorsWhateverThePartsHold) {
  modReg.ShowError(RuntimeError(-2147024891, L"", L"", 17));
  modReg.ShowError(RuntimeError(6, L"overflow", L"Lumarso2015"));
  ASSERT_EQ(dialogs.MessageCount(), 2u);
  EXPECT_EQ(dialogs.Shown()[0].text, L". ErrorLine:17.  -2147024891 - ; ID : ");
  EXPECT_EQ(dialogs.Shown()[1].text, L". ErrorLine:0.  6 - overflow; ID : Lumarso2015");
  EXPECT_EQ(process.pointerResets, 2);
}

}  // namespace
}  // namespace modreg::testing
