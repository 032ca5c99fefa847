#include <windows.h>

#include <stdexcept>

#include "platform/tests/log_file_world.h"
#include "platform/win32/log_file.h"
#include "tests/support/win32/scratch_folder.h"

namespace platform::testing {

namespace {

class Win32World final : public LogFileWorld {
 public:
  LogFile& Log() override { return log_; }
  std::wstring Root() override { return scratch_.Path(); }
  void MakeFolder(const std::wstring& path) override { CreateDirectoryW(path.c_str(), nullptr); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    if (!test_support::WriteAll(path, content.data(), content.size())) {
      throw std::runtime_error("cannot seed a file");
    }
  }
  std::optional<std::string> Read(const std::wstring& path) override {
    return test_support::ReadAllText(path);
  }

 private:
  test_support::ScratchFolder scratch_ = test_support::ScratchFolder::InTemp(L"log");
  win32::Win32LogFile log_;  // lets go of its file before the folder goes
};

}  // namespace

std::unique_ptr<LogFileWorld> MakeLogFileWorld() { return std::make_unique<Win32World>(); }

}  // namespace platform::testing
