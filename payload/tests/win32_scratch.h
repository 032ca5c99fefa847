#pragma once
// A scratch folder in the Wine prefix's temp folder, removed with all it
// holds (read-only files included) when the test ends.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace payload::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // Ends with a backslash.
  [[nodiscard]] const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

[[nodiscard]] std::optional<std::vector<std::byte>> ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const void* data, std::size_t size);
// Names in a folder, without "." and "..", sorted.
[[nodiscard]] std::vector<std::wstring> NamesIn(const std::wstring& folder);

}  // namespace payload::testing
