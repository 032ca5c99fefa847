// Cutting a key path into parts, and finding its root.
#include <gtest/gtest.h>

#include <string>

#include "modreg/key_path.h"
#include "modreg/runtime_error.h"

namespace modreg {
namespace {

using Parts = std::vector<std::wstring>;

std::wstring Repeat(const std::wstring& piece, std::size_t times) {
  std::wstring text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(KeyPathSplit, TrimsTheWholeAndEveryPartAndSkipsEmptyParts) {
  EXPECT_EQ(SplitKeyPath(L"  hkey_current_user \\ Software \\\\ Windows \\ ").parts,
            (Parts{L"hkey_current_user", L"Software", L"Windows"}));
  EXPECT_EQ(SplitKeyPath(L"\\\\HKEY_USERS\\\\.DEFAULT\\").parts, (Parts{L"HKEY_USERS", L".DEFAULT"}));
  // Only the space is trimmed, and only the backslash separates.
  EXPECT_EQ(SplitKeyPath(L"HKEY_LOCAL_MACHINE/Software\\\tVelto ").parts,
            (Parts{L"HKEY_LOCAL_MACHINE/Software", L"\tVelto"}));
  EXPECT_EQ(SplitKeyPath(L"A\\ B C \\D").parts, (Parts{L"A", L"B C", L"D"}));
}

TEST(KeyPathSplit, NothingButSpacesAndSeparatorsHasNoPart) {
  for (const wchar_t* path : {L"", L"    ", L"\\ \\\\", L"\\"}) {
    const KeyPathParts split = SplitKeyPath(path);
    EXPECT_TRUE(split.parts.empty()) << path;
    EXPECT_FALSE(split.tooManyParts);
  }
}

TEST(KeyPathSplit, ThirtyTwoPartsAreKeptAndAThirtyThirdStopsTheCollection) {
  const KeyPathParts full = SplitKeyPath(L"HKEY_CURRENT_USER" + Repeat(L"\\k", 31));
  EXPECT_EQ(full.parts.size(), 32u);
  EXPECT_FALSE(full.tooManyParts);
  // Empty pieces do not count.
  const KeyPathParts sparse = SplitKeyPath(L"HKEY_CURRENT_USER" + Repeat(L"\\ \\k\\", 31));
  EXPECT_EQ(sparse.parts.size(), 32u);
  EXPECT_FALSE(sparse.tooManyParts);
  const KeyPathParts over = SplitKeyPath(L"HKEY_CURRENT_USER" + Repeat(L"\\k", 32));
  EXPECT_TRUE(over.tooManyParts);
  EXPECT_EQ(over.parts.size(), 32u);
}

TEST(KeyPathSplit, TheSixteenBitPieceIndexOverflowsAsItAlwaysDid) {
  const auto throwsOverflow = [](const std::wstring& path) {
    try {
      static_cast<void>(SplitKeyPath(path));
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Number(), 6);
      EXPECT_EQ(error.Description(), L"overflow");
      EXPECT_EQ(error.Source(), L"Lumarso2015");
      EXPECT_EQ(error.Line(), 0);
      return true;
    }
    return false;
  };
  // 32,767 separators: 32,768 pieces, all empty: the index steps past 32,767.
  EXPECT_TRUE(throwsOverflow(std::wstring(32767, L'\\')));
  // One piece fewer is fine.
  EXPECT_FALSE(throwsOverflow(std::wstring(32766, L'\\')));
  // More than 32,768 pieces: raised before any piece is looked at, so even
  // a 33rd part at the front does not get its turn.
  EXPECT_TRUE(throwsOverflow(L"HKEY_USERS" + Repeat(L"\\k", 40) + std::wstring(32767, L'\\')));
  // Exactly 32,768 pieces, but a 33rd part ends the collection first.
  const std::wstring early = L"HKEY_USERS" + Repeat(L"\\k", 32) + std::wstring(32767 - 32, L'\\');
  ASSERT_FALSE(throwsOverflow(early));
  EXPECT_TRUE(SplitKeyPath(early).tooManyParts);
  // Spaces around the whole text are gone before the cut.
  EXPECT_FALSE(throwsOverflow(L"   " + std::wstring(32766, L'\\') + L"   "));
}

TEST(KeyPathRoot, SevenLongNamesMatchedAfterUpperCasing) {
  EXPECT_EQ(LookUpRoot(L"HKEY_CLASSES_ROOT"), platform::kHkeyClassesRoot);
  EXPECT_EQ(LookUpRoot(L"hkey_current_user"), platform::kHkeyCurrentUser);
  EXPECT_EQ(LookUpRoot(L"Hkey_Local_Machine"), platform::kHkeyLocalMachine);
  EXPECT_EQ(LookUpRoot(L"HKEY_USERS"), platform::kHkeyUsers);
  EXPECT_EQ(LookUpRoot(L"HKEY_CURRENT_CONFIG"), platform::kHkeyCurrentConfig);
  EXPECT_EQ(LookUpRoot(L"HKEY_DYN_DATA"), platform::kHkeyDynData);
  EXPECT_EQ(LookUpRoot(L"HKEY_PERFORMANCE_DATA"), platform::kHkeyPerformanceData);
  for (const std::wstring& name :
       {std::wstring(L"HKLM"), std::wstring(L"HKCU"), std::wstring(L"HKEY_LOCAL_MACHINE/Software"),
        std::wstring(L"HKEY_LOCAL_MACHINE "), std::wstring(L"HKEY_LOCAL_MACHIN"), std::wstring(),
        std::wstring(L"HKEY_LOCAL_MACHINE\0", 19)}) {
    EXPECT_FALSE(LookUpRoot(name).has_value()) << name.c_str();
  }
}

}  // namespace
}  // namespace modreg
