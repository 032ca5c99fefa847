// The two install-path lookups: empty text on any failure, and a box only
// for a runtime error.
#include <string>

#include "modreg/tests/modreg_fixture.h"

namespace modreg::testing {
namespace {

using platform::kHkeyLocalMachine;

constexpr char kVelto[] = "Software\\Velto\\Installazione";
constexpr char kWindows[] = "Software\\Microsoft\\Windows\\CurrentVersion";

using Lookups = ModRegTest;

TEST_F(Lookups, ReturnTheStoredTextUnchanged) {
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegSz,
                    std::string("C:\\Velto\\\0", 10));
  registry.SetValue(kHkeyLocalMachine, kWindows, "ProgramFilesDir", platform::kRegSz,
                    std::string(" C:\\Program Files (x86)\0", 24));
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"C:\\Velto\\");
  EXPECT_EQ(modReg.RetrieveProgramFilesPath(), L" C:\\Program Files (x86)");
  EXPECT_EQ(dialogs.MessageCount(), 0u);
}

TEST_F(Lookups, AskTheRegistryAfreshEachTime) {
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegSz, std::string("A\0", 2));
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"A");
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegSz, std::string("B\0", 2));
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"B");
}

TEST_F(Lookups, AMissingValueOrKeyIsEmptyTextWithTheReasonInTheRecordAndNoBox) {
  registry.CreateKey(kHkeyLocalMachine, kVelto);
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"");
  ExpectRecord(2, kNotFoundText);
  EXPECT_EQ(modReg.RetrieveProgramFilesPath(), L"");
  ExpectRecord(2, kNotFoundText);
  registry.FailOnName(RegCall::Open, "Velto", 5);
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"");
  ExpectRecord(5, L"Accesso negato al registro");
  EXPECT_EQ(dialogs.MessageCount(), 0u);
}

TEST_F(Lookups, AValueWithNoDataIsEmptyText) {
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegSz, "");
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"");
  ExpectRecordEmpty();
}

TEST_F(Lookups, OtherTypesComeBackInTheirTextForm) {
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegDword,
                    std::string("\x02\x01\x00\x00", 4));
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"00000102");
  registry.SetValue(kHkeyLocalMachine, kWindows, "PROGRAMFILESDIR", platform::kRegBinary,
                    std::string("\x01\x0A\xFF\x00", 4));
  EXPECT_EQ(modReg.RetrieveProgramFilesPath(), L"1 A FF 0");
}

TEST_F(Lookups, ARuntimeErrorIsShownWithTheLookupsPrefixAndGivesEmptyText) {
  registry.SetValue(kHkeyLocalMachine, kVelto, "strPath", platform::kRegDword, "\x01\x02\x03");
  registry.SetValue(kHkeyLocalMachine, kWindows, "ProgramFilesDir", platform::kRegDword, "\x01");
  EXPECT_EQ(modReg.RetrieveProgramFilesVeltoPath(), L"");
  EXPECT_EQ(modReg.RetrieveProgramFilesPath(), L"");
  ASSERT_EQ(dialogs.MessageCount(), 2u);
  EXPECT_EQ(dialogs.Shown()[0].text,
            L"ModReg - RetrieveProgramFilesVeltoPath:. ErrorLine:0.  5 - invalid procedure call "
            L"or argument; ID : Lumarso2015");
  EXPECT_EQ(dialogs.Shown()[1].text,
            L"ModReg - RetrieveProgramFilesPath:. ErrorLine:0.  5 - invalid procedure call or "
            L"argument; ID : Lumarso2015");
  EXPECT_EQ(dialogs.Shown()[0].icon, platform::Icon::Critical);
  EXPECT_EQ(dialogs.Shown()[0].title, L"");
  EXPECT_EQ(process.pointerResets, 2);
}

TEST(ToText, EachShapeAsText) {
  EXPECT_EQ(ToText(RegValue()), L"");
  EXPECT_EQ(ToText(RegValue(std::wstring(L"C:\\"))), L"C:\\");
  EXPECT_EQ(ToText(RegValue(258.0)), L"258");
  EXPECT_EQ(ToText(RegValue(4294967295.0)), L"4294967295");
  EXPECT_EQ(ToText(RegValue(0.5)), L"0.5");
  EXPECT_EQ(ToText(RegValue(std::vector<std::uint8_t>{'O', 0, 'K', 0, '!'})), L"OK");
}

}  // namespace
}  // namespace modreg::testing
