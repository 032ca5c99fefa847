#include <windows.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "platform/tests/files_world.h"
#include "platform/win32/files.h"
#include "platform/win32/unique_handle.h"

namespace platform::testing {

namespace {

using win32::UniqueFileHandle;

// Deletes a folder tree, read-only files included.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  win32::UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + L"\\");
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  find.reset();
  ::RemoveDirectoryW(folder.c_str());
}

class Win32World final : public FilesWorld {
 public:
  Win32World() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    root_ = std::wstring(temp) + L"lumarso-files-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L"\\";
    RemoveTree(root_);
    if (!::CreateDirectoryW(root_.c_str(), nullptr)) throw std::runtime_error("scratch folder");
  }
  ~Win32World() override {
    holders_.clear();
    RemoveTree(root_);
  }
  FileSystem& Fs() override { return fs_; }
  std::wstring Root() override { return root_; }
  void MakeFolder(const std::wstring& path) override { ::CreateDirectoryW(path.c_str(), nullptr); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("PutFile");
    DWORD written = 0;
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  }
  void SetAttributes(const std::wstring& path, std::uint32_t attributes) override {
    ::SetFileAttributesW(path.c_str(), attributes);
  }
  std::optional<std::string> Read(const std::wstring& path) override {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
      text.append(buffer, got);
    }
    return text;
  }
  int HoldOpen(const std::wstring& path, std::uint32_t share, Win32Status* status) override {
    UniqueFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
      *status = ::GetLastError();
      return 0;
    }
    *status = 0;
    holders_[++lastHolder_] = std::move(file);
    return lastHolder_;
  }
  void Release(int holder) override { holders_.erase(holder); }

 private:
  win32::Win32FileSystem fs_;
  std::wstring root_;
  std::map<int, UniqueFileHandle> holders_;
  int lastHolder_ = 0;
};

}  // namespace

std::unique_ptr<FilesWorld> MakeFilesWorld() { return std::make_unique<Win32World>(); }

}  // namespace platform::testing
