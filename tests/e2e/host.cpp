#include "host.h"

#include "harness.h"

namespace e2e {
namespace {

// The view the updater under test reads: it is built with this driver's
// bitness, so WOW6432Node for the 32-bit one in a 64-bit prefix, the native
// view for the 64-bit one.
constexpr REGSAM kUpdaterView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

struct KeyCloser {
  HKEY key = nullptr;
  ~KeyCloser() {
    if (key) RegCloseKey(key);
  }
};

}  // namespace

void WriteMakerPath(const std::wstring& strPath) {
  KeyCloser k;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMakerKey, 0, nullptr, 0,
                                KEY_SET_VALUE | kUpdaterView, nullptr, &k.key, nullptr);
  E2E_CHECK(status == ERROR_SUCCESS, "creating the maker key failed with " + std::to_string(status));
  status = RegSetValueExW(k.key, L"strPath", 0, REG_SZ,
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
  KeyCloser software;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | kUpdaterView,
                    &software.key) != ERROR_SUCCESS)
    return;
  RegDeleteTreeW(software.key, L"Velto");
  RegDeleteKeyExW(software.key, L"Velto", kUpdaterView, 0);
}

ScopedMakerKey::ScopedMakerKey(const std::wstring& strPath) {
  RemoveMakerKey();
  WriteMakerPath(strPath);
}

ScopedMakerKey::~ScopedMakerKey() { RemoveMakerKey(); }

bool MakeFolders(const std::wstring& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != L'\\') continue;
    const std::wstring prefix = path.substr(0, i);
    if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return true;
}

bool RemoveTree(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
  return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

ScopedFolder::ScopedFolder(std::wstring path) : path_(std::move(path)) {
  RemoveTree(path_);
  E2E_CHECK(MakeFolders(path_), "cannot make folder " + Narrow(path_));
}

ScopedFolder::~ScopedFolder() { RemoveTree(path_); }

void PlaceHostExe(const std::wstring& folder) {
  E2E_CHECK(MakeFolders(folder), "cannot make folder " + Narrow(folder));
  const std::wstring path = JoinPath(folder, L"Quadrivo.exe");
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  E2E_CHECK(h != INVALID_HANDLE_VALUE, "cannot create " + Narrow(path));
  const char stub[] = "MZ stand-in for the host application";
  DWORD written = 0;
  WriteFile(h, stub, sizeof stub - 1, &written, nullptr);
  CloseHandle(h);
}

HeldFile::HeldFile(const std::wstring& path) {
  handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  E2E_CHECK(handle_ != INVALID_HANDLE_VALUE,
            "cannot hold " + Narrow(path) + " open: " + std::to_string(GetLastError()));
}

void HeldFile::Release() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace e2e
