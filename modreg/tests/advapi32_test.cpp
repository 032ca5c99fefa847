// The module on the real registry (advapi32 under Wine), in scratch keys
// below HKEY_CURRENT_USER\Software that each test makes and removes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "modreg/modreg.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_process.h"
#include "platform/tests/registry_world.h"
#include "platform/tests/scratch_key.h"

namespace modreg {
namespace {

using platform::testing::RegistryWorld;
using platform::testing::ScratchKey;

class ModRegOnAdvapi32 : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(world_->OpenHandles(), 0) << "a key handle leaked"; }
  void Set(const std::string& name, std::uint32_t type, std::string_view data) {
    ASSERT_EQ(world_->Admin().SetValue(platform::kHkeyCurrentUser, scratch_.Path(), name, type, data), 0);
  }
  std::wstring Wide(const std::string& text) const { return std::wstring(text.begin(), text.end()); }

  std::unique_ptr<RegistryWorld> world_ = platform::testing::MakeRegistryWorld();
  ScratchKey scratch_{world_->Admin()};
  platform::doubles::FakeDialogs dialogs_;
  platform::doubles::FakeProcess process_;
  ModReg modReg_{world_->Api(), dialogs_, process_};
};

TEST_F(ModRegOnAdvapi32, ProgramFilesIsTheFolderOfTheProcessOwnView) {
  // The tests run in a 64-bit prefix, as the updater runs on 64-bit Windows:
  // the 32-bit program reads the WOW6432Node view and its own x86 folder; the
  // 64-bit build (for hosts without 32-bit support) reads the native view.
#if defined(_WIN64)
  constexpr BOOL kWow64 = FALSE;
  constexpr const wchar_t* kFolder = L"C:\\Program Files";
#else
  constexpr BOOL kWow64 = TRUE;
  constexpr const wchar_t* kFolder = L"C:\\Program Files (x86)";
#endif
  BOOL wow64 = !kWow64;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  ASSERT_EQ(wow64, kWow64) << "the Wine prefix should be a 64-bit one";
  EXPECT_EQ(modReg_.RetrieveProgramFilesPath(), kFolder);
  EXPECT_EQ(modReg_.RegErrorRecord.Number, 0);
  EXPECT_EQ(dialogs_.MessageCount(), 0u);
}

TEST_F(ModRegOnAdvapi32, CreateMissingMakesEveryLevel) {
  const std::wstring path = L"  hkey_current_user\\" + Wide(scratch_.Path()) + L"\\Velto\\ Installazione \\Quadrivo";
  const std::int32_t handle = modReg_.OpenKeyPath(path, true, 0x20019);
  ASSERT_NE(handle, -1) << modReg_.RegErrorRecord.Number;
  EXPECT_EQ(modReg_.RegErrorRecord.Number, 0);
  EXPECT_EQ(world_->OpenHandles(), 1);
  EXPECT_EQ(modReg_.CloseKey(handle), 0);
  auto& admin = world_->Admin();
  EXPECT_TRUE(admin.KeyExists(platform::kHkeyCurrentUser, scratch_.Path() + "\\Velto"));
  EXPECT_TRUE(admin.KeyExists(platform::kHkeyCurrentUser, scratch_.Path() + "\\Velto\\Installazione"));
  EXPECT_TRUE(admin.KeyExists(platform::kHkeyCurrentUser, scratch_.Path() + "\\Velto\\Installazione\\Quadrivo"));
  // Once there, the same path opens without creating anything.
  const std::int32_t again = modReg_.OpenKeyPath(path, false, 0x20019);
  ASSERT_NE(again, -1);
  EXPECT_EQ(modReg_.CloseKey(again), 0);
}

TEST_F(ModRegOnAdvapi32, AMissingLevelFailsWithNothingLeftOpen) {
  EXPECT_EQ(modReg_.OpenKeyPath(L"HKEY_CURRENT_USER\\" + Wide(scratch_.Path()) + L"\\No\\More", false, 0x20019), -1);
  EXPECT_EQ(modReg_.RegErrorRecord.Number, 2);
  EXPECT_FALSE(world_->Admin().KeyExists(platform::kHkeyCurrentUser, scratch_.Path() + "\\No"));
}

TEST_F(ModRegOnAdvapi32, ARootAloneIsTheRootItself) {
  const std::int32_t handle = modReg_.OpenKeyPath(L"HKEY_CURRENT_USER", false, 0x20019);
  EXPECT_EQ(static_cast<platform::RegKey>(handle), platform::kHkeyCurrentUser);
  EXPECT_EQ(modReg_.CloseKey(handle), 0);
}

TEST_F(ModRegOnAdvapi32, ValuesReadInTheirThreeShapes) {
  Set("strPath", platform::kRegSz, std::string("C:\\Velto\\\0", 10));
  Set("Dword", platform::kRegDword, std::string("\x02\x01\x00\x00", 4));
  Set("Blob", platform::kRegBinary, std::string("\x01\x0A\xFF\x00", 4));
  Set("Multi", platform::kRegMultiSz, std::string("a\0b\0\0", 5));
  const std::wstring key = L"HKEY_CURRENT_USER\\" + Wide(scratch_.Path());
  const auto read = [&](const wchar_t* name, ResultKind kind) {
    std::wstring valueName = name;
    RegValue value;
    EXPECT_EQ(modReg_.QueryValue(key, valueName, value, kind), 0) << modReg_.RegErrorRecord.Number;
    return value;
  };
  EXPECT_EQ(read(L"STRPATH", 0), RegValue(std::wstring(L"C:\\Velto\\")));
  EXPECT_EQ(read(L"Dword", 0), RegValue(std::wstring(L"00000102")));
  EXPECT_EQ(read(L"Dword", 9), RegValue(258.0));
  EXPECT_EQ(read(L"Blob", 0), RegValue(std::wstring(L"1 A FF 0")));
  EXPECT_EQ(read(L"Multi", 0), RegValue(std::wstring(L"a\0b\0", 4)));
  std::wstring missing = L"Missing";
  RegValue value = 1.0;
  EXPECT_EQ(modReg_.QueryValue(key, missing, value, 0), -1);
  EXPECT_EQ(modReg_.RegErrorRecord.Number, 2);
  EXPECT_EQ(value, RegValue(1.0));
}

TEST_F(ModRegOnAdvapi32, AnOddSizedDwordIsARuntimeErrorWithTheKeyClosed) {
  Set("Odd", platform::kRegDword, std::string("\x01\x02\x03", 3));
  std::wstring name = L"Odd";
  RegValue value;
  EXPECT_THROW(modReg_.QueryValue(L"HKEY_CURRENT_USER\\" + Wide(scratch_.Path()), name, value, 0),
               RuntimeError);
}

}  // namespace
}  // namespace modreg
