#include <cstddef>
#include <vector>

#include "platform/doubles/fake_files.h"
#include "platform/tests/files_world.h"

namespace platform::testing {

namespace {

class DoubleWorld final : public FilesWorld {
 public:
  DoubleWorld() { fs_.MakeFolders(kRoot); }
  FileSystem& Fs() override { return fs_; }
  std::wstring Root() override { return kRoot; }
  void MakeFolder(const std::wstring& path) override { fs_.MakeFolders(path); }
  void PutFile(const std::wstring& path, const std::string& content) override {
    std::vector<std::byte> bytes(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) bytes[i] = static_cast<std::byte>(content[i]);
    fs_.PutFile(path, bytes);
  }
  void SetAttributes(const std::wstring& path, std::uint32_t attributes) override {
    fs_.SetAttributes(path, attributes);
  }
  std::optional<std::string> Read(const std::wstring& path) override {
    auto bytes = fs_.Content(path);
    if (!bytes) return std::nullopt;
    std::string text(bytes->size(), '\0');
    for (std::size_t i = 0; i < bytes->size(); ++i) text[i] = static_cast<char>((*bytes)[i]);
    return text;
  }
  int HoldOpen(const std::wstring& path, std::uint32_t share, Win32Status* status) override {
    return static_cast<int>(fs_.OpenElsewhere(path, share, status));
  }
  void Release(int holder) override { fs_.CloseElsewhere(static_cast<FileId>(holder)); }

 private:
  static constexpr wchar_t kRoot[] = L"C:\\users\\tester\\Temp\\scratch\\";
  doubles::FakeFileSystem fs_;
};

}  // namespace

std::unique_ptr<FilesWorld> MakeFilesWorld() { return std::make_unique<DoubleWorld>(); }

}  // namespace platform::testing
