#pragma once
// Folders a test makes and removes again, with all they hold (read-only
// files included), and the plain file reads and writes the tests check with.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

class ScratchFolder {
 public:
  // Exactly `path`, its parents made as needed, emptied first.
  explicit ScratchFolder(std::wstring path);
  // A fresh folder of this process in the temp folder, "lumarso-<stem>-<pid>-<n>\".
  [[nodiscard]] static ScratchFolder InTemp(const std::wstring& stem);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  [[nodiscard]] const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// Makes every folder along `path`; false if one cannot be made.
bool MakeFolders(const std::wstring& path);
// Deletes a folder and everything below it; true when nothing is left.
bool RemoveTree(const std::wstring& path);
// Names in a folder, without "." and "..", sorted.
[[nodiscard]] std::vector<std::wstring> NamesIn(const std::wstring& folder);
[[nodiscard]] std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

[[nodiscard]] bool FileExists(const std::wstring& path);
[[nodiscard]] std::int64_t FileSize(const std::wstring& path);  // -1 when missing
// The whole file, opened as others may still write or delete it.
[[nodiscard]] std::optional<std::vector<std::byte>> ReadAll(const std::wstring& path);
[[nodiscard]] std::optional<std::string> ReadAllText(const std::wstring& path);
// Creates or replaces the file with these bytes.
bool WriteAll(const std::wstring& path, const void* data, std::size_t size);

}  // namespace test_support
