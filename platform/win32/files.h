#pragma once
// The file services on the Win32 API.  A FileId is the file's HANDLE.
#include "platform/files.h"

namespace platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  std::uint32_t GetAttributes(const std::wstring& path, Win32Status* error) override;
  Win32Status Delete(const std::wstring& path) override;
  Win32Status CreateNew(const std::wstring& path, FileId* file) override;
  Win32Status Write(FileId file, const void* data, std::uint32_t size) override;
  Win32Status Flush(FileId file) override;
  Win32Status Close(FileId file) override;
  Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) override;
  Win32Status FreeSpace(const std::wstring& folder, std::uint64_t* bytes) override;
  Win32Status List(const std::wstring& folder, const std::wstring& pattern,
                   std::vector<std::wstring>* names) override;
  Win32Status OpenRead(const std::wstring& path, FileId* file) override;
  Win32Status GetSize(FileId file, std::uint64_t* bytes) override;
  Win32Status ReadAt(FileId file, std::uint64_t offset, void* buffer, std::uint32_t size,
                     std::uint32_t* read) override;
};

}  // namespace platform::win32
