// Walking a key path: what reaches the registry, what is closed, what is
// recorded, and the creation of missing levels.
#include <string>

#include "modreg/tests/modreg_fixture.h"

namespace modreg::testing {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegKey;

class OpenKeyPath : public ModRegTest {
 protected:
  OpenKeyPath() {
    registry.CreateKey(kHkeyCurrentUser, "Software\\Windows");
    registry.CreateKey(kHkeyLocalMachine, "Software\\Velto");
  }
};

TEST_F(OpenKeyPath, RootAloneOpensTheRootWithNoNameAndClosesNothing) {
  DirtyRecord();
  const std::int32_t handle = modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE", false, kKeyRead);
  EXPECT_EQ(static_cast<RegKey>(handle), kHkeyLocalMachine);
  const auto opens = CallsOf(RegCall::Open);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].key, kHkeyLocalMachine);
  EXPECT_FALSE(opens[0].name.has_value());
  EXPECT_EQ(opens[0].samDesired, static_cast<std::uint32_t>(kKeyRead));
  EXPECT_TRUE(CallsOf(RegCall::Close).empty());
  ExpectRecordEmpty();
  EXPECT_EQ(modReg.CloseKey(handle), 0);
}

TEST_F(OpenKeyPath, WalksEveryLevelReopensTheLastAndClosesAllButIt) {
  const std::int32_t handle =
      modReg.OpenKeyPath(L"  hkey_current_user \\ Software \\\\ Windows \\ ", false, 0x20019);
  ASSERT_NE(handle, -1);
  const auto opens = CallsOf(RegCall::Open);
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0].key, kHkeyCurrentUser);
  EXPECT_EQ(opens[0].name, "Software");
  EXPECT_EQ(opens[1].key, opens[0].handle);
  EXPECT_EQ(opens[1].name, "Windows");
  EXPECT_EQ(opens[2].key, opens[1].handle);
  EXPECT_FALSE(opens[2].name.has_value());
  EXPECT_EQ(static_cast<RegKey>(handle), opens[2].handle);
  const auto closes = CallsOf(RegCall::Close);
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_EQ(closes[0].key, opens[0].handle);  // in ascending order
  EXPECT_EQ(closes[1].key, opens[1].handle);
  EXPECT_EQ(registry.OpenHandles(), 1);
  EXPECT_EQ(modReg.CloseKey(handle), 0);
}

TEST_F(OpenKeyPath, EveryOpenGetsTheCallersAccessUnchanged) {
  const std::int32_t handle = modReg.OpenKeyPath(L"HKEY_CURRENT_USER\\Software\\Windows", false, 0x1234);
  ASSERT_NE(handle, -1);
  for (const auto& open : CallsOf(RegCall::Open)) EXPECT_EQ(open.samDesired, 0x1234u);
  modReg.CloseKey(handle);
}

TEST_F(OpenKeyPath, APathWithNoPartIsZeroWithoutAnyRegistryCall) {
  for (const wchar_t* path : {L"", L"     ", L"\\ \\\\"}) {
    DirtyRecord();
    EXPECT_EQ(modReg.OpenKeyPath(path, true, kKeyRead), 0) << path;
    ExpectRecordEmpty();
  }
  EXPECT_TRUE(registry.Calls().empty());
}

TEST_F(OpenKeyPath, ThirtyTwoPartsAreWalkedInFull) {
  std::string below = "Deep";
  std::wstring path = L"HKEY_CURRENT_USER\\Deep";
  for (int level = 3; level <= 32; ++level) {
    below += "\\L" + std::to_string(level);
    path += L"\\L" + std::to_wstring(level);
  }
  registry.CreateKey(kHkeyCurrentUser, below);
  const std::int32_t handle = modReg.OpenKeyPath(path, false, kKeyRead);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(CallsOf(RegCall::Open).size(), 32u);
  EXPECT_EQ(CallsOf(RegCall::Close).size(), 31u);
  EXPECT_EQ(modReg.CloseKey(handle), 0);
}

TEST_F(OpenKeyPath, AThirtyThirdPartIsCode100WithoutAnyRegistryCall) {
  std::wstring path = L"NOT_A_ROOT";
  for (int level = 2; level <= 33; ++level) path += L"\\k";
  DirtyRecord();
  EXPECT_EQ(modReg.OpenKeyPath(path, true, kKeyRead), -1);
  ExpectRecord(100, L"Il massimo numero di chiavi previste \u00E8 stato superato");
  EXPECT_TRUE(registry.Calls().empty());
}

TEST_F(OpenKeyPath, AnUnknownRootIsNotFoundWithoutAnyRegistryCall) {
  for (const wchar_t* path : {L"HKLM\\Software", L"HKEY_LOCAL_MACHINE/Software"}) {
    EXPECT_EQ(modReg.OpenKeyPath(path, true, kKeyRead), -1);
    ExpectRecord(2, kNotFoundText);
  }
  EXPECT_TRUE(registry.Calls().empty());
}

TEST_F(OpenKeyPath, TooManyPiecesRaiseOverflowBeforeAnyRegistryCall) {
  DirtyRecord();
  try {
    modReg.OpenKeyPath(L"HKEY_CURRENT_USER" + std::wstring(40000, L'\\'), true, kKeyRead);
    FAIL() << "no runtime error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Number(), 6);
  }
  ExpectRecordEmpty();
  EXPECT_TRUE(registry.Calls().empty());
}

TEST_F(OpenKeyPath, AMissingLevelWithoutCreationIsNotFoundAndClosesTheWalk) {
  EXPECT_EQ(modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software\\Missing\\More", false, kKeyRead), -1);
  ExpectRecord(2, kNotFoundText);
  EXPECT_EQ(CallsOf(RegCall::Open).size(), 2u);
  EXPECT_EQ(CallsOf(RegCall::Close).size(), 1u);
  EXPECT_TRUE(CallsOf(RegCall::Create).empty());
}

TEST_F(OpenKeyPath, AnyOtherFailedOpenIsRecordedAsItCameAndNeverCreates) {
  registry.FailOnName(RegCall::Open, "Velto", 5);
  EXPECT_EQ(modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software\\Velto\\New", true, kKeyRead), -1);
  ExpectRecord(5, L"Accesso negato al registro");
  EXPECT_TRUE(CallsOf(RegCall::Create).empty());
  registry.FailOnName(RegCall::Open, "Windows", 1010);
  EXPECT_EQ(modReg.OpenKeyPath(L"HKEY_CURRENT_USER\\Software\\Windows", true, kKeyRead), -1);
  ExpectRecord(1010, L"Il nome della chiave non risulta essere corretto");
}

TEST_F(OpenKeyPath, CreationMakesEachMissingLevelThroughItsOwnFullAccessWalk) {
  const std::int32_t handle =
      modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\ Software \\Velto\\Installazione\\Quadrivo", true, kKeyRead);
  ASSERT_NE(handle, -1);
  ExpectRecordEmpty();
  EXPECT_TRUE(registry.KeyExists(kHkeyLocalMachine, "Software\\Velto\\Installazione\\Quadrivo"));
  const auto creates = CallsOf(RegCall::Create);
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_EQ(creates[0].name, "Installazione");
  EXPECT_EQ(creates[1].name, "Quadrivo");
  EXPECT_EQ(creates[0].samDesired, static_cast<std::uint32_t>(kKeyAllAccess));
  for (const auto& create : creates) EXPECT_EQ(create.options, platform::kRegOptionNonVolatile);
  // Each creation's parent came from a walk of its own from the root, with
  // full access, and its own null-name reopen of the parent.
  const auto& log = registry.Calls();
  std::vector<std::string> opened;
  for (const auto& call : log) {
    if (call.call == RegCall::Open) {
      opened.push_back((call.name ? *call.name : "-") + "/" + std::to_string(call.samDesired));
    }
  }
  const std::vector<std::string> expected = {
      "Software/131097", "Velto/131097", "Installazione/131097",  // not found
      "Software/983103", "Velto/983103", "-/983103",              // CreateSubKey's walk
      "Installazione/131097", "Quadrivo/131097",                  // not found
      "Software/983103", "Velto/983103", "Installazione/983103", "-/983103",
      "Quadrivo/131097", "-/131097"};
  EXPECT_EQ(opened, expected);
  EXPECT_EQ(modReg.CloseKey(handle), 0);
}

TEST_F(OpenKeyPath, AFailedCreationRecordsMinusOneAndClosesTheWalk) {
  registry.FailCall(RegCall::Create, 5);
  EXPECT_EQ(modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software\\Velto\\New", true, kKeyRead), -1);
  ExpectRecord(-1, kUnexpectedStatusText);
  EXPECT_FALSE(registry.KeyExists(kHkeyLocalMachine, "Software\\Velto\\New"));
}

TEST_F(OpenKeyPath, AFailedOpenAfterCreationIsRecordedWithoutASecondCreation) {
  // Opens: Software, Velto, New (missing), CreateSubKey's three, then New again.
  registry.FailCall(RegCall::Open, 2, 7);
  EXPECT_EQ(modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software\\Velto\\New", true, kKeyRead), -1);
  ExpectRecord(2, kNotFoundText);
  EXPECT_EQ(CallsOf(RegCall::Create).size(), 1u);
}

TEST_F(OpenKeyPath, AFailedCloseInsideTheCreationIsLeftInTheRecordOfASuccess) {
  // Closes: CreateSubKey's walk entries (Software, Velto), the new key, then
  // its parent through CloseKey.
  registry.FailCall(RegCall::Close, 1009, 4);
  const std::int32_t handle = modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software\\Velto\\New", true, kKeyRead);
  ASSERT_NE(handle, -1);
  ExpectRecord(1009, L"Il database del registro risulta essere danneggiato");
  EXPECT_EQ(modReg.CloseKey(handle), 0);
  // The double kept the key whose close failed open; let it go.
  ASSERT_EQ(registry.OpenHandles(), 1);
  const auto closes = CallsOf(RegCall::Close);
  EXPECT_EQ(registry.CloseKey(closes[3].key), 0);
}

TEST_F(OpenKeyPath, NamesReachTheRegistryAsEightBitText) {
  registry.CreateKey(kHkeyCurrentUser, "Software\\Caff\xE8");
  const std::int32_t handle = modReg.OpenKeyPath(L"HKEY_CURRENT_USER\\Software\\CAFF\u00C8", false, kKeyRead);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(CallsOf(RegCall::Open)[1].name, "CAFF\xC8");
  modReg.CloseKey(handle);
}

using CreateSubKey = OpenKeyPath;

TEST_F(CreateSubKey, AnExistingSubkeyIsFine) {
  DirtyRecord();
  EXPECT_EQ(modReg.CreateSubKey(L"HKEY_LOCAL_MACHINE\\Software", L"VELTO"), 0);
  ExpectRecordEmpty();
  EXPECT_EQ(CallsOf(RegCall::Create).size(), 1u);
}

TEST_F(CreateSubKey, AParentThatCannotBeOpenedLeavesItsRecord) {
  EXPECT_EQ(modReg.CreateSubKey(L"HKEY_LOCAL_MACHINE\\Nowhere", L"X"), -1);
  ExpectRecord(2, kNotFoundText);
  EXPECT_TRUE(CallsOf(RegCall::Create).empty());
}

TEST_F(CreateSubKey, AFailedCreationIsRecordedUnlessTheParentsCloseFailsToo) {
  registry.FailCall(RegCall::Create, 1013);
  EXPECT_EQ(modReg.CreateSubKey(L"HKEY_LOCAL_MACHINE\\Software", L"X"), -1);
  ExpectRecord(1013, L"Non \u00E8 stato possibile scrivere la chiave specificata");

  registry.FailCall(RegCall::Create, 1013);
  registry.FailCall(RegCall::Close, 6, 2);
  EXPECT_EQ(modReg.CreateSubKey(L"HKEY_LOCAL_MACHINE\\Software", L"X"), -1);
  ExpectRecord(6, kUnexpectedStatusText);
  const auto closes = CallsOf(RegCall::Close);
  EXPECT_EQ(registry.CloseKey(closes.back().key), 0);
}

using CloseKey = OpenKeyPath;

TEST_F(CloseKey, SuccessLeavesTheRecordAloneAndFailureRecordsTheStatus) {
  const std::int32_t handle = modReg.OpenKeyPath(L"HKEY_LOCAL_MACHINE\\Software", false, kKeyRead);
  DirtyRecord();
  EXPECT_EQ(modReg.CloseKey(handle), 0);
  ExpectRecord(300, L"Il tipo passato come parametro non risulta essere valido");
  EXPECT_EQ(modReg.CloseKey(handle), -1);
  ExpectRecord(6, kUnexpectedStatusText);
  EXPECT_EQ(modReg.CloseKey(-1), -1);
  EXPECT_EQ(modReg.CloseKey(static_cast<std::int32_t>(kHkeyLocalMachine)), 0);
}

}  // namespace
}  // namespace modreg::testing
