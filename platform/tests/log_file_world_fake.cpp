#include "platform/doubles/fake_log_file.h"
#include "platform/tests/log_file_world.h"

namespace platform::testing {

namespace {

class FakeWorld final : public LogFileWorld {
 public:
  FakeWorld() { log_.MakeFolder(Root()); }
  LogFile& Log() override { return log_; }
  std::wstring Root() override { return L"C:\\scratch\\"; }
  void MakeFolder(const std::wstring& path) override { log_.MakeFolder(path); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    log_.PutFile(path, content);
  }
  std::optional<std::string> Read(const std::wstring& path) override { return log_.Content(path); }

 private:
  doubles::FakeLogFile log_;
};

}  // namespace

std::unique_ptr<LogFileWorld> MakeLogFileWorld() { return std::make_unique<FakeWorld>(); }

}  // namespace platform::testing
