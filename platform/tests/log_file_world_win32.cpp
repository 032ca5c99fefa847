#include <windows.h>

#include <stdexcept>

#include "platform/tests/log_file_world.h"
#include "platform/win32/log_file.h"
#include "platform/win32/unique_handle.h"

namespace platform::testing {

namespace {

using win32::UniqueFileHandle;
using win32::UniqueFindHandle;

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  UniqueFindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
  if (search) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(folder + name + L"\\");
      else DeleteFileW((folder + name).c_str());
    } while (FindNextFileW(search.get(), &entry));
  }
  search.reset();
  RemoveDirectoryW(folder.c_str());
}

class Win32World final : public LogFileWorld {
 public:
  Win32World() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    root_ = std::wstring(temp) + L"lumarso-log-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L"\\";
    RemoveTree(root_);
    if (!CreateDirectoryW(root_.c_str(), nullptr)) throw std::runtime_error("no scratch folder");
  }
  ~Win32World() override {
    log_ = win32::Win32LogFile();  // lets go of the file first
    RemoveTree(root_);
  }
  LogFile& Log() override { return log_; }
  std::wstring Root() override { return root_; }
  void MakeFolder(const std::wstring& path) override { CreateDirectoryW(path.c_str(), nullptr); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()),
                            &written, nullptr)) {
      throw std::runtime_error("cannot seed a file");
    }
  }
  std::optional<std::string> Read(const std::wstring& path) override {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
      content.append(buffer, got);
    }
    return content;
  }

 private:
  std::wstring root_;
  win32::Win32LogFile log_;
};

}  // namespace

std::unique_ptr<LogFileWorld> MakeLogFileWorld() { return std::make_unique<Win32World>(); }

}  // namespace platform::testing
