#pragma once
// An in-memory file system that answers like Windows (as Wine 8.0 does where
// the two differ): drive-letter volumes with free space, folders and files
// with attributes, names matched without regard to case, sharing between open
// handles, delete-pending files, and the raw statuses of the real calls.
// Any call can be told to fail.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/doubles/call_script.h"
#include "platform/files.h"

namespace platform::doubles {

enum class FileOp {
  GetAttributes, Delete, CreateNew, Write, Flush, Close, MoveReplace, FreeSpace, List,
  OpenRead, GetSize, ReadAt
};

// FILE_SHARE_* bits, for handles opened "by another program".
inline constexpr std::uint32_t kShareNone = 0;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
inline constexpr std::uint32_t kShareDelete = 4;

// One call as the double saw it.
struct FileCall {
  FileOp op;
  std::wstring path;           // for handle calls, the path the file was created at
  const void* data = nullptr;  // Write only: the caller's buffer
  std::uint32_t size = 0;      // Write only
  Win32Status status = kErrorSuccess;
};

class FakeFileSystem final : public FileSystem,
                             public CallScript<FileOp, Win32Status, std::wstring>,
                             public CallLog<FileCall, &FileCall::op> {
 public:
  // Starts with an empty volume C: holding 1 TiB free.
  FakeFileSystem();
  ~FakeFileSystem() override;

  // ---- the world outside the program
  void AddVolume(wchar_t letter, std::uint64_t freeBytes);
  void SetFreeSpace(wchar_t letter, std::uint64_t freeBytes);
  [[nodiscard]] std::uint64_t FreeBytes(wchar_t letter) const;
  // Creates every missing folder along `path`.
  void MakeFolders(const std::wstring& path);
  // Creates or overwrites a file (and its folders), taking no free space
  // into account.
  void PutFile(const std::wstring& path, const std::vector<std::byte>& content,
               std::uint32_t attributes = kFileAttributeArchive);
  void SetAttributes(const std::wstring& path, std::uint32_t attributes);
  // Another program opens an existing file for reading with the given
  // FILE_SHARE_* bits.  0 (and *status) when sharing or the path refuses.
  [[nodiscard]] FileId OpenElsewhere(const std::wstring& path, std::uint32_t share,
                                     Win32Status* status = nullptr);
  void CloseElsewhere(FileId holder);

  // ---- failures on demand: FailCall, FailOnName, BeforeCall (call_script.h)
  // The name FailOnName matches is the call's path (for handle calls, the
  // path the file was created at), without regard to case.  A failed call
  // changes nothing, except that a failed Close still releases the handle,
  // as CloseHandle does.

  // ---- what happened
  [[nodiscard]] std::optional<std::vector<std::byte>> Content(const std::wstring& path) const;
  [[nodiscard]] bool Exists(const std::wstring& path) const;
  // Names in a folder as they were created, sorted without regard to case.
  [[nodiscard]] std::vector<std::wstring> Names(const std::wstring& folder) const;
  // Handles opened through this FileSystem (for writing or reading) and not
  // closed yet.
  [[nodiscard]] int OpenFiles() const;
  // Calls() and CountCalls() come from call_script.h.

  // ---- FileSystem
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

  struct Node;
  struct Volume;
  struct Handle;
  struct Resolved;

 private:
  [[nodiscard]] Win32Status Resolve(const std::wstring& path, Resolved* out) const;
  [[nodiscard]] std::optional<Win32Status> Injected(FileOp op, const std::wstring& path);
  Win32Status Record(FileOp op, const std::wstring& path, Win32Status status,
                     const void* data = nullptr, std::uint32_t size = 0);
  [[nodiscard]] bool SharingAllowsDelete(const Node* node) const;
  [[nodiscard]] bool IsOpen(const Node* node) const;
  void Remove(Node* parent, const std::wstring& key);
  void ReleaseHandle(FileId id);

  std::map<wchar_t, std::unique_ptr<Volume>> volumes_;
  std::map<FileId, std::unique_ptr<Handle>> handles_;
  FileId nextHandle_ = 0x100;
};

}  // namespace platform::doubles
