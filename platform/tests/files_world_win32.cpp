#include <windows.h>

#include <map>
#include <stdexcept>

#include "platform/tests/files_world.h"
#include "platform/win32/files.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/win32/scratch_folder.h"

namespace platform::testing {

namespace {

using win32::UniqueFileHandle;

class Win32World final : public FilesWorld {
 public:
  FileSystem& Fs() override { return fs_; }
  std::wstring Root() override { return scratch_.Path(); }
  void MakeFolder(const std::wstring& path) override { ::CreateDirectoryW(path.c_str(), nullptr); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    if (!test_support::WriteAll(path, content.data(), content.size())) throw std::runtime_error("PutFile");
  }
  void SetAttributes(const std::wstring& path, std::uint32_t attributes) override {
    ::SetFileAttributesW(path.c_str(), attributes);
  }
  std::optional<std::string> Read(const std::wstring& path) override {
    return test_support::ReadAllText(path);
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
  test_support::ScratchFolder scratch_ = test_support::ScratchFolder::InTemp(L"files");
  std::map<int, UniqueFileHandle> holders_;  // closed before the folder goes
  int lastHolder_ = 0;
};

}  // namespace

std::unique_ptr<FilesWorld> MakeFilesWorld() { return std::make_unique<Win32World>(); }

}  // namespace platform::testing
