#include "tests/support/win32/scratch_folder.h"

#include <algorithm>
#include <stdexcept>

#include "tests/support/win32/owners.h"

namespace test_support {

ScratchFolder::ScratchFolder(std::wstring path) : path_(std::move(path)) {
  RemoveTree(path_);
  if (!MakeFolders(path_)) {
    throw std::runtime_error("cannot make the scratch folder (error " +
                             std::to_string(::GetLastError()) + ")");
  }
}

ScratchFolder ScratchFolder::InTemp(const std::wstring& stem) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  static int serial = 0;
  return ScratchFolder(std::wstring(temp) + L"lumarso-" + stem + L"-" +
                       std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial) +
                       L"\\");
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool MakeFolders(const std::wstring& path) {
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != L'\\') continue;
    const std::wstring prefix = path.substr(0, i);
    if (!::CreateDirectoryW(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
}

bool RemoveTree(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  for (const std::wstring& name : NamesIn(folder)) {
    const std::wstring full = folder + L"\\" + name;
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(full);
    } else {
      ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(full.c_str());
    }
  }
  ::RemoveDirectoryW(folder.c_str());
  return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  const UniqueFindHandle find(::FindFirstFileW(JoinPath(folder, L"*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::vector<std::byte>> ReadAll(const std::wstring& path) {
  const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return std::nullopt;
  std::vector<std::byte> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) {
      return std::nullopt;
    }
    done += got;
  }
  return bytes;
}

std::optional<std::string> ReadAllText(const std::wstring& path) {
  const auto bytes = ReadAll(path);
  if (!bytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

bool WriteAll(const std::wstring& path, const void* data, std::size_t size) {
  const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return size == 0 ||
         (::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size);
}

}  // namespace test_support
