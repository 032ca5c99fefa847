// The two install-path lookups: empty text on any failure, and a box only
// for a runtime error.
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "modreg/general_text.h"
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
  // From 10^15 on, and for fractions: fifteen significant digits.
  EXPECT_EQ(ToText(RegValue(18446744073709551616.0)), L"1.84467440737096E+19");
  EXPECT_EQ(ToText(RegValue(1e15)), L"1E+15");
  EXPECT_EQ(ToText(RegValue(-999999999999999.0)), L"-999999999999999");
  EXPECT_EQ(ToText(RegValue(-2.5)), L"-2.5");
}

// The exe's own "%.15G" against the C library's, on values chosen to hit
// each branch (ties to even, carries into a new digit, both notations, the
// smallest and largest doubles) and on doubles of every exponent.
TEST(ToText, NumbersAsTheCLibraryWritesThemWithFifteenDigits) {
  std::vector<double> values = {0.5, 0.1, 1.0 / 3, 2.0 / 3, 1e-4, 9.99999999999999e-5, 1e-5,
                                123456789012345.6, 999999999999999.5, 9999999999999995.0,
                                1000000000000005.0, 1000000000000015.0, 1000000000000025.0,
                                4503599627370497.5, 1e15 + 0.5, 1e21, 1.7976931348623157e308,
                                2.2250738585072014e-308, 4.9406564584124654e-324, -0.0001234};
  std::mt19937_64 bits(2015);
  for (int i = 0; i < 4000; ++i) {
    const double value = std::bit_cast<double>(bits());
    if (std::isfinite(value)) values.push_back(value);
  }
  for (double value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", value);
    EXPECT_EQ(GeneralText(value, 15), std::wstring(expected, expected + std::strlen(expected)))
        << expected;
  }
}

}  // namespace
}  // namespace modreg::testing
