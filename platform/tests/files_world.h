#pragma once
// A scratch folder on one file system, plus what only a test does to it:
// make files and folders, set attributes, read back, and hold a file open
// as another program would.  The contract suite runs against each world.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"

namespace platform::testing {

class FilesWorld {
 public:
  virtual ~FilesWorld() = default;
  virtual FileSystem& Fs() = 0;
  // An empty folder of this test alone, ending with a backslash.
  virtual std::wstring Root() = 0;
  virtual void MakeFolder(const std::wstring& path) = 0;
  virtual void PutFile(const std::wstring& path, const std::string& content) = 0;
  virtual void SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
  [[nodiscard]] virtual std::optional<std::string> Read(const std::wstring& path) = 0;
  // Opens an existing file for reading with FILE_SHARE_* bits; 0 and
  // *status when refused.
  [[nodiscard]] virtual int HoldOpen(const std::wstring& path, std::uint32_t share,
                                     Win32Status* status) = 0;
  virtual void Release(int holder) = 0;
};

// The world of this build: the double natively, the real API under Wine.
std::unique_ptr<FilesWorld> MakeFilesWorld();

inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
inline constexpr std::uint32_t kShareDelete = 4;

}  // namespace platform::testing
