#include "payload/tests/win32_scratch.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win32/unique_handle.h"

namespace payload::testing {

namespace {

using platform::win32::UniqueFileHandle;
using platform::win32::UniqueFindHandle;

void RemoveTree(const std::wstring& folder) {
  for (const std::wstring& name : NamesIn(folder)) {
    const std::wstring path = folder + name;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(path + L"\\");
    } else {
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(path.c_str());
    }
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  static int serial = 0;
  path_ = std::wstring(temp) + L"lumarso-payload-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(++serial) + L"\\";
  RemoveTree(path_);
  if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("scratch folder");
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

std::optional<std::vector<std::byte>> ReadAll(const std::wstring& path) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
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

bool WriteAll(const std::wstring& path, const void* data, std::size_t size) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return size == 0 ||
         (::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size);
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace payload::testing
