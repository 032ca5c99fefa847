#pragma once
// The file services the updater needs: attributes, delete, an exclusive
// create, sequential writes, flush, an atomic replace, free space, a folder
// listing, and reading a file that others may be reading or replacing.
// Paths are wide, absolute Windows paths.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/status.h"

namespace platform {

inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01u;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02u;
inline constexpr std::uint32_t kFileAttributeSystem = 0x04u;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10u;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20u;

// An open file of a FileSystem; the value 0 means "none".
using FileId = std::uintptr_t;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // GetFileAttributesW: kInvalidFileAttributes and *error on failure.
  virtual std::uint32_t GetAttributes(const std::wstring& path, Win32Status* error) = 0;
  virtual Win32Status Delete(const std::wstring& path) = 0;
  // CreateFileW(GENERIC_WRITE, no sharing, CREATE_NEW): never opens an
  // existing file (kErrorFileExists).
  virtual Win32Status CreateNew(const std::wstring& path, FileId* file) = 0;
  virtual Win32Status Write(FileId file, const void* data, std::uint32_t size) = 0;
  virtual Win32Status Flush(FileId file) = 0;  // FlushFileBuffers
  virtual Win32Status Close(FileId file) = 0;
  // MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
  virtual Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) = 0;
  // Bytes free to the caller on the volume of `folder`.
  virtual Win32Status FreeSpace(const std::wstring& folder, std::uint64_t* bytes) = 0;
  // Names (not paths) of the entries of `folder` that match a wildcard
  // pattern such as L"*.tmp", without "." and "..".  A folder with no match
  // is success and an empty list; a missing folder is 3.
  virtual Win32Status List(const std::wstring& folder, const std::wstring& pattern,
                           std::vector<std::wstring>* names) = 0;
  // CreateFileW(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
  // OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN): opens a running exe's own
  // file too, which the loader keeps mapped.  Closed with Close.
  virtual Win32Status OpenRead(const std::wstring& path, FileId* file) = 0;
  virtual Win32Status GetSize(FileId file, std::uint64_t* bytes) = 0;  // GetFileSizeEx
  // ReadFile at `offset`; fewer than `size` bytes only at the end of the file.
  virtual Win32Status ReadAt(FileId file, std::uint64_t offset, void* buffer, std::uint32_t size,
                             std::uint32_t* read) = 0;
};

// "Ordinary file": exists, and is neither a folder, hidden nor a system file.
// Any text the file system rejects simply is not one.
[[nodiscard]] bool IsOrdinaryFile(FileSystem& fs, const std::wstring& path);

// Owns one open file; closes it unless Close() was called.
class UniqueFile {
 public:
  UniqueFile() = default;
  UniqueFile(FileSystem& fs, FileId id) noexcept : fs_(&fs), id_(id) {}
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  UniqueFile(UniqueFile&& other) noexcept
      : fs_(other.fs_), id_(std::exchange(other.id_, FileId{})) {}
  UniqueFile& operator=(UniqueFile&& other) noexcept {
    if (this != &other) {
      Reset();
      fs_ = other.fs_;
      id_ = std::exchange(other.id_, FileId{});
    }
    return *this;
  }
  ~UniqueFile() { Reset(); }

  [[nodiscard]] FileId get() const noexcept { return id_; }
  [[nodiscard]] explicit operator bool() const noexcept { return id_ != FileId{}; }
  // Closes now and reports the status (a close can fail after buffered writes).
  [[nodiscard]] Win32Status Close() {
    if (!id_) return kErrorSuccess;
    return fs_->Close(std::exchange(id_, FileId{}));
  }
  void Reset() noexcept {
    if (id_) (void)fs_->Close(std::exchange(id_, FileId{}));
  }

 private:
  FileSystem* fs_ = nullptr;
  FileId id_{};
};

}  // namespace platform
