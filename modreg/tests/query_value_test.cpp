// Reading a value: its three forms by stored type, the failures, and the key
// closed on every way out.
#include <string>

#include "modreg/tests/modreg_fixture.h"

namespace modreg::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::kHkeyLocalMachine;

const std::wstring kKey = L"HKEY_LOCAL_MACHINE\\Software\\Velto\\Installazione";
constexpr char kKeyBelow[] = "Software\\Velto\\Installazione";

class QueryValue : public ModRegTest {
 protected:
  void Store(std::uint32_t type, std::string_view data, const char* name = "strPath") {
    registry.SetValue(kHkeyLocalMachine, kKeyBelow, name, type, data);
  }
  // Queries strPath in the given kind; the status goes to `status`.
  RegValue Read(ResultKind kind, std::int32_t* status = nullptr) {
    std::wstring name = L"strPath";
    RegValue value;
    const std::int32_t got = modReg.QueryValue(kKey, name, value, kind);
    if (status != nullptr) *status = got;
    else EXPECT_EQ(got, 0);
    return value;
  }
  // The value changes between the size query and the read.
  void ChangeBeforeTheRead(std::uint32_t type, std::string data) {
    registry.BeforeCall(RegCall::Query, [this, type, data] { Store(type, data); }, 2);
  }
  int QueryCalls() const { return registry.CountCalls(RegCall::Query); }
};

TEST_F(QueryValue, TerminatedStringGivesTextBytesAndZero) {
  Store(platform::kRegSz, std::string("C:\\Velto\\\0", 10));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"C:\\Velto\\")));
  EXPECT_EQ(Read(1), RegValue(Bytes{'C', ':', '\\', 'V', 'e', 'l', 't', 'o', '\\'}));
  EXPECT_EQ(Read(2), RegValue(0.0));
  EXPECT_EQ(Read(-7), RegValue(std::wstring(L"C:\\Velto\\")));
  EXPECT_EQ(CallsOf(RegCall::Close).size(), 16u);  // three walk entries and the key, each time
  // Read access only, so a standard user can still read the machine's keys.
  for (const auto& open : CallsOf(RegCall::Open)) {
    EXPECT_EQ(open.samDesired, static_cast<std::uint32_t>(kKeyRead));
  }
}

TEST_F(QueryValue, StringWithoutNulIsKeptWhole) {
  Store(platform::kRegSz, "C:\\Velto");
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"C:\\Velto")));
  EXPECT_EQ(std::get<Bytes>(Read(1)).size(), 8u);
}

TEST_F(QueryValue, FewerBytesThanAnnouncedCutAtTheNulOrKeepTheFill) {
  Store(platform::kRegSz, std::string("C:\\Programmi\\\0", 14));
  ChangeBeforeTheRead(platform::kRegSz, std::string("C:\\V\\\0", 6));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"C:\\V\\")));

  // Not terminated, of a type the registry passes raw: the fill spaces stay
  // in the text, the bytes are only those written.
  Store(platform::kRegNone, "ABCDEFGH");
  ChangeBeforeTheRead(platform::kRegNone, "ABC");
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"ABC     ")));
  Store(platform::kRegNone, "ABCDEFGH");
  ChangeBeforeTheRead(platform::kRegNone, "ABC");
  EXPECT_EQ(Read(1), RegValue(Bytes{'A', 'B', 'C'}));
  Store(platform::kRegBinary, "ABCDEFGH");
  ChangeBeforeTheRead(platform::kRegBinary, "\x0A");
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"A")));

  // A REG_SZ without its NUL gets one from the registry right after the data
  // when there is room, so that NUL is part of the text before the fill.
  Store(platform::kRegSz, "ABCDEFGH");
  ChangeBeforeTheRead(platform::kRegSz, "ABC");
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"ABC\0    ", 8)));
}

TEST_F(QueryValue, EmptyStringIsEmptyTextAndOneZeroByte) {
  Store(platform::kRegSz, std::string("\0", 1));
  EXPECT_EQ(Read(0), RegValue(std::wstring()));
  EXPECT_EQ(Read(1), RegValue(Bytes{0}));
}

TEST_F(QueryValue, NoDataSucceedsAndLeavesTheResultAsTheCallerSetIt) {
  Store(platform::kRegSz, "");
  std::wstring name = L"strPath";
  RegValue value = 42.0;
  DirtyRecord();
  EXPECT_EQ(modReg.QueryValue(kKey, name, value, 0), 0);
  EXPECT_EQ(value, RegValue(42.0));
  ExpectRecordEmpty();
  EXPECT_EQ(QueryCalls(), 2);
}

TEST_F(QueryValue, MultiStringLosesOnlyItsFinalNul) {
  Store(platform::kRegMultiSz, std::string("a\0b\0\0", 5));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"a\0b\0", 4)));
  EXPECT_EQ(Read(1), RegValue(Bytes{'a', 0, 'b', 0}));
}

TEST_F(QueryValue, ExpandStringKeepsItsReferences) {
  Store(platform::kRegExpandSz, std::string("%ProgramFiles%\\Velto\0", 21));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"%ProgramFiles%\\Velto")));
}

TEST_F(QueryValue, DwordGivesFourDigitGroupsFromTheEndAnUnsignedNumberAndItsBytes) {
  Store(platform::kRegDword, std::string("\x02\x01\x00\x00", 4));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"00000102")));
  EXPECT_EQ(Read(1), RegValue(Bytes{2, 1, 0, 0}));
  EXPECT_EQ(Read(2), RegValue(258.0));
  EXPECT_EQ(Read(3), RegValue(258.0));
  EXPECT_EQ(Read(-1), RegValue(258.0));
  Store(platform::kRegDword, "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(Read(2), RegValue(4294967295.0));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"FFFFFFFF")));
  Store(platform::kRegDword, std::string("\x0A\x00\x00\x00", 4));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"0000000A")));
  Store(platform::kRegDword, std::string("\x01\x02\x03\x04\x05\x06", 6));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"060504030201")));
  EXPECT_EQ(Read(2), RegValue(1.0 + 2 * 256.0 + 3 * 65536.0 + 4 * 16777216.0 +
                              5 * 4294967296.0 + 6 * 1099511627776.0));
  Store(platform::kRegDword, "\xB1\x0C");
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"0CB1")));
}

TEST_F(QueryValue, BinaryGivesHexWithoutLeadingZeros) {
  Store(platform::kRegBinary, std::string("\x01\x0A\xFF\x00", 4));
  EXPECT_EQ(Read(0), RegValue(std::wstring(L"1 A FF 0")));
  EXPECT_EQ(Read(2), RegValue(0.0));
  EXPECT_EQ(Read(5), RegValue(Bytes{1, 10, 255, 0}));
  EXPECT_EQ(Read(1), RegValue(Bytes{1, 10, 255, 0}));
}

TEST_F(QueryValue, EveryOtherTypeReadsAsAString) {
  Store(platform::kRegQword, std::string("AB\0", 3));
  EXPECT_EQ(Read(9), RegValue(std::wstring(L"AB")));
  EXPECT_EQ(Read(2), RegValue(0.0));
}

TEST_F(QueryValue, OddSizedDwordIsRuntimeError5WithTheKeyClosedAndResultUntouched) {
  Store(platform::kRegDword, std::string("\x01\x02\x03", 3));
  for (ResultKind kind : {0, 1, 2}) {
    std::wstring name = L"strPath";
    RegValue value = std::wstring(L"before");
    try {
      modReg.QueryValue(kKey, name, value, kind);
      ADD_FAILURE() << "no runtime error";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Number(), 5);
      EXPECT_EQ(error.Description(), L"invalid procedure call or argument");
      EXPECT_EQ(error.Source(), L"Lumarso2015");
      EXPECT_EQ(error.Line(), 0);
    }
    EXPECT_EQ(value, RegValue(std::wstring(L"before")));
    EXPECT_EQ(registry.OpenHandles(), 0);
  }
  // Also when the data shrank to an odd size after the size query, so the
  // unpaired byte has fill after it.
  Store(platform::kRegDword, std::string("\x01\x02\x03\x04", 4));
  ChangeBeforeTheRead(platform::kRegDword, std::string("\x01\x02\x03", 3));
  std::int32_t status = 0;
  EXPECT_THROW(Read(0, &status), RuntimeError);
}

TEST_F(QueryValue, DwordTooLongForADoubleIsRuntimeError6) {
  Store(platform::kRegDword, std::string(128, '\0'));
  EXPECT_EQ(Read(2), RegValue(0.0));
  for (const std::string& data : {std::string(128, '\xFF'), std::string(130, '\0'), std::string(129, '\0')}) {
    Store(platform::kRegDword, data);
    std::wstring name = L"strPath";
    RegValue value;
    try {
      modReg.QueryValue(kKey, name, value, 0);
      ADD_FAILURE() << data.size() << " bytes: no runtime error";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Number(), 6) << data.size();
    }
  }
}

TEST_F(QueryValue, AKeyThatCannotBeOpenedLeavesResultAndRecordToTheWalk) {
  std::wstring name = L"strPath";
  RegValue value = 1.5;
  EXPECT_EQ(modReg.QueryValue(L"HKEY_LOCAL_MACHINE\\Software\\Nowhere", name, value, 0), -1);
  ExpectRecord(2, kNotFoundText);
  EXPECT_EQ(value, RegValue(1.5));
  EXPECT_EQ(QueryCalls(), 0);
}

TEST_F(QueryValue, AMissingValueIsNotFoundWithTheKeyClosed) {
  registry.CreateKey(kHkeyLocalMachine, kKeyBelow);
  std::int32_t status = 0;
  EXPECT_EQ(Read(0, &status), RegValue());
  EXPECT_EQ(status, -1);
  ExpectRecord(2, kNotFoundText);
  EXPECT_EQ(QueryCalls(), 1);
  EXPECT_EQ(CallsOf(RegCall::Close).size(), 4u);  // Software, Velto, Installazione, the key
}

TEST_F(QueryValue, MoreDataOnTheSizeQueryLetsTheReadGoOn) {
  Store(platform::kRegSz, "");
  registry.FailCall(RegCall::Query, 234);
  std::int32_t status = -5;
  Read(0, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(QueryCalls(), 2);
  ExpectRecordEmpty();
}

TEST_F(QueryValue, AnyOtherSizeQueryStatusFails) {
  Store(platform::kRegSz, std::string("x\0", 2));
  registry.FailCall(RegCall::Query, 1012);
  std::int32_t status = 0;
  Read(0, &status);
  EXPECT_EQ(status, -1);
  ExpectRecord(1012, L"Non \u00E8 stato possibile leggere la chiave specificata");
  EXPECT_EQ(QueryCalls(), 1);
}

TEST_F(QueryValue, MoreDataOnTheReadIsAFailure) {
  // The value grew between the two calls.
  Store(platform::kRegSz, std::string("C:\\V\\\0", 6));
  ChangeBeforeTheRead(platform::kRegSz, std::string("C:\\Programmi\\Velto\\\0", 20));
  std::wstring name = L"strPath";
  RegValue value = std::wstring(L"kept");
  EXPECT_EQ(modReg.QueryValue(kKey, name, value, 0), -1);
  ExpectRecord(234, kUnexpectedStatusText);
  EXPECT_EQ(value, RegValue(std::wstring(L"kept")));
}

TEST_F(QueryValue, AFailedCloseAfterASuccessfulReadStillSucceeds) {
  Store(platform::kRegSz, std::string("C:\\Velto\\\0", 10));
  // Three walk closes before the query's own close of the key.
  registry.FailCall(RegCall::Close, 1009, 4);
  std::wstring name = L"strPath";
  RegValue value;
  EXPECT_EQ(modReg.QueryValue(kKey, name, value, 0), 0);
  EXPECT_EQ(value, RegValue(std::wstring(L"C:\\Velto\\")));
  ExpectRecord(1009, L"Il database del registro risulta essere danneggiato");
  EXPECT_EQ(registry.CloseKey(CallsOf(RegCall::Close).back().key), 0);
}

TEST_F(QueryValue, AFailedCloseAfterAFailedReadReplacesItsRecord) {
  registry.CreateKey(kHkeyLocalMachine, kKeyBelow);
  registry.FailCall(RegCall::Close, 6, 4);
  std::int32_t status = 0;
  Read(0, &status);
  EXPECT_EQ(status, -1);
  ExpectRecord(6, kUnexpectedStatusText);
  EXPECT_EQ(registry.CloseKey(CallsOf(RegCall::Close).back().key), 0);
}

TEST_F(QueryValue, APathWithNoPartUsesHandleZero) {
  std::wstring name = L"strPath";
  RegValue value;
  EXPECT_EQ(modReg.QueryValue(L"  ", name, value, 0), -1);
  const auto queries = CallsOf(RegCall::Query);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].key, 0u);
  ExpectRecord(6, kUnexpectedStatusText);  // the query's 6, then the close's 6
}

TEST_F(QueryValue, TheValueNameComesBackAsEightBitTextMadeIt) {
  Store(platform::kRegSz, std::string("x\0", 2), "Caff\xE8?");
  std::wstring name = L"caff\u00E8\u4E2D";  // no single-byte code page holds it
  RegValue value;
  EXPECT_EQ(modReg.QueryValue(kKey, name, value, 0), 0);
  EXPECT_EQ(name, L"caff\u00E8?");
  EXPECT_EQ(CallsOf(RegCall::Query)[0].name, "caff\xE8?");
  std::wstring missing = L"\u4E2D";
  EXPECT_EQ(modReg.QueryValue(kKey, missing, value, 0), -1);
  EXPECT_EQ(missing, L"?");
}

}  // namespace
}  // namespace modreg::testing
