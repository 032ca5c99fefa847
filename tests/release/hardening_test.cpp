// The DLL search restriction, on the real loader.  The order of the cases
// matters: restricting the search cannot be undone within the process.
#include "platform/win32/hardening.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/win32/owners.h"

namespace {

using platform::win32::RestrictDllSearchToSystem32;

// Built beside this test: a stand-in for a DLL planted next to the exe.
constexpr wchar_t kPlanted[] = L"lumarso_planted.dll";

bool CanLoadPlanted() {
  return test_support::UniqueModule(LoadLibraryW(kPlanted)) != nullptr;
}

TEST(HardenDllSearch, ModuleWithoutTheCallReportsItAndChangesNothing) {
  // The exe itself stands for a kernel32 that predates the call.
  EXPECT_EQ(RestrictDllSearchToSystem32(GetModuleHandleW(nullptr)), ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(RestrictDllSearchToSystem32(nullptr), static_cast<platform::Win32Status>(ERROR_MOD_NOT_FOUND));
  // The planted DLL is still found in the exe's folder: the check below
  // would catch a restriction that silently did nothing.
  EXPECT_TRUE(CanLoadPlanted());
}

TEST(HardenDllSearch, RestrictedSearchSkipsTheExeFolderButFindsSystemDlls) {
  platform::win32::HardenDllSearch();
  EXPECT_FALSE(CanLoadPlanted());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  // Libraries loaded later by name still come from System32.
  const test_support::UniqueModule version(LoadLibraryW(L"version.dll"));
  ASSERT_NE(version, nullptr);
  EXPECT_NE(GetProcAddress(version.get(), "GetFileVersionInfoSizeW"), nullptr);
  // An explicit full path is the one way left to load from elsewhere.
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::wstring planted(path, n);
  planted.erase(planted.find_last_of(L'\\') + 1);
  planted += kPlanted;
  EXPECT_NE(test_support::UniqueModule(LoadLibraryW(planted.c_str())), nullptr);
  // Calling it again (a second entry point, a test harness) is harmless.
  EXPECT_EQ(RestrictDllSearchToSystem32(GetModuleHandleW(L"kernel32.dll")), 0u);
  EXPECT_FALSE(CanLoadPlanted());
}

}  // namespace
