#include "host.h"

#include "harness.h"

namespace e2e {
namespace {

// The view the updater under test reads: it is built with this driver's
// bitness, so WOW6432Node for the 32-bit one in a 64-bit prefix, the native
// view for the 64-bit one.
constexpr REGSAM kUpdaterView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

}  // namespace

void WriteMakerPath(const std::wstring& strPath) {
  HKEY created = nullptr;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMakerKey, 0, nullptr, 0,
                                KEY_SET_VALUE | kUpdaterView, nullptr, &created, nullptr);
  const test_support::UniqueKey key(created);
  E2E_CHECK(status == ERROR_SUCCESS, "creating the maker key failed with " + std::to_string(status));
  status = RegSetValueExW(key.get(), L"strPath", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(strPath.c_str()),
                          static_cast<DWORD>((strPath.size() + 1) * sizeof(wchar_t)));
  E2E_CHECK(status == ERROR_SUCCESS, "writing strPath failed with " + std::to_string(status));
}

std::wstring ProgramFilesFolder() {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  const LONG status =
      RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                   L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr, value, &size);
  E2E_CHECK(status == ERROR_SUCCESS, "cannot read ProgramFilesDir: " + std::to_string(status));
  return value;
}

void RemoveMakerKey() {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | kUpdaterView,
                    &opened) != ERROR_SUCCESS)
    return;
  const test_support::UniqueKey software(opened);
  RegDeleteTreeW(software.get(), L"Velto");
  RegDeleteKeyExW(software.get(), L"Velto", kUpdaterView, 0);
}

ScopedMakerKey::ScopedMakerKey(const std::wstring& strPath) {
  RemoveMakerKey();
  WriteMakerPath(strPath);
}

ScopedMakerKey::~ScopedMakerKey() { RemoveMakerKey(); }

void PlaceHostExe(const std::wstring& folder) {
  E2E_CHECK(MakeFolders(folder), "cannot make folder " + Narrow(folder));
  const std::wstring path = JoinPath(folder, L"Quadrivo.exe");
  const char stub[] = "MZ stand-in for the host application";
  E2E_CHECK(test_support::WriteAll(path, stub, sizeof stub - 1), "cannot create " + Narrow(path));
}

HeldFile::HeldFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
  E2E_CHECK(file_, "cannot hold " + Narrow(path) + " open: " + std::to_string(GetLastError()));
}

ViewedFile::ViewedFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
  E2E_CHECK(file_, "cannot view " + Narrow(path) + ": " + std::to_string(GetLastError()));
}

std::uint64_t LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  E2E_CHECK(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data),
            "cannot read the times of " + Narrow(path));
  return (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

void DateBack(const std::wstring& path) {
  const SYSTEMTIME noon{2020, 1, 3, 1, 12, 0, 0, 0};
  FILETIME old{};
  E2E_CHECK(SystemTimeToFileTime(&noon, &old), "SystemTimeToFileTime");
  const test_support::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  E2E_CHECK(file && SetFileTime(file.get(), nullptr, nullptr, &old),
            "cannot date back " + Narrow(path) + ": " + std::to_string(GetLastError()));
}

}  // namespace e2e
