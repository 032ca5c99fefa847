#include <vector>

#include "payload/write_file_atomically.h"

#include "payload/temp_names.h"
#include "platform/system_random.h"

namespace payload {

namespace {

using platform::FileId;
using platform::FileSystem;
using platform::UniqueFile;
using platform::Win32Status;

// Tries a handful of names: one may still be held by an interrupted attempt
// of another instance.
constexpr int kNameTries = 16;

std::uint32_t FirstSerial() {
  static std::uint32_t next = platform::SystemRandom32();
  return next++;
}

// A temporary file beside the target.  Deleted on every way out unless it
// became the target.
class TempFile {
 public:
  explicit TempFile(FileSystem& fs) : fs_(fs) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    file_.Reset();  // a file open without sharing cannot be deleted
    if (!path_.empty()) (void)fs_.Delete(path_);
  }

  // CREATE_NEW: never opens a file that is already there.
  [[nodiscard]] bool Create(const std::wstring& folder, const std::wstring& name) {
    std::uint32_t serial = FirstSerial();
    for (int i = 0; i < kNameTries; ++i, serial += 0x9E3779B9u) {
      const std::wstring path = folder + TempName(name, serial);
      FileId id{};
      const Win32Status status = fs_.CreateNew(path, &id);
      if (status == platform::kErrorSuccess) {
        path_ = path;
        file_ = UniqueFile(fs_, id);
        return true;
      }
      if (status != platform::kErrorFileExists && status != platform::kErrorAlreadyExists) {
        return false;
      }
    }
    return false;
  }

  [[nodiscard]] bool WriteAll(ByteSource& source) {
    std::uint64_t left = source.Size();
    std::span<const std::byte> chunk;
    while (left > 0) {
      // A source that ends early would leave a short file under the name.
      if (!source.Next(&chunk) || chunk.empty() || chunk.size() > left) return false;
      if (fs_.Write(file_.get(), chunk.data(), static_cast<std::uint32_t>(chunk.size())) !=
          platform::kErrorSuccess) {
        return false;
      }
      left -= chunk.size();
    }
    return true;
  }

  // Flushed and closed before the rename, so the name never points at data
  // still in flight.
  [[nodiscard]] bool ReplaceTarget(const std::wstring& target) {
    if (fs_.Flush(file_.get()) != platform::kErrorSuccess) return false;
    if (file_.Close() != platform::kErrorSuccess) return false;
    if (fs_.MoveReplace(path_, target) != platform::kErrorSuccess) return false;
    path_.clear();
    return true;
  }

 private:
  FileSystem& fs_;
  std::wstring path_;
  UniqueFile file_;
};

// Everything after the leftovers' cleanup.
bool ReplaceWith(FileSystem& fs, const std::wstring& folder, const std::wstring& name,
                 ByteSource& source) {
  const std::wstring target = folder + name;

  Win32Status error = platform::kErrorSuccess;
  const std::uint32_t attributes = fs.GetAttributes(target, &error);
  const bool exists = attributes != platform::kInvalidFileAttributes;
  // A missing folder or a name the system rejects: nothing to write into.
  if (!exists && error != platform::kErrorFileNotFound) return false;
  // Windows refuses to replace a read-only file, but Wine does not: ask first.
  if (exists && (attributes & (platform::kFileAttributeDirectory |
                               platform::kFileAttributeReadOnly)) != 0) {
    return false;
  }

  std::uint64_t freeBytes = 0;
  if (fs.FreeSpace(folder, &freeBytes) != platform::kErrorSuccess) return false;
  if (exists && freeBytes < source.Size()) {
    // No room for old and new side by side: give up the old copy first.
    if (fs.Delete(target) != platform::kErrorSuccess) return false;
  }

  TempFile temp(fs);
  return temp.Create(folder, name) && temp.WriteAll(source) && temp.ReplaceTarget(target);
}

}  // namespace

void RemoveLeftovers(FileSystem& fs, const std::wstring& folder, const std::wstring& name) {
  std::vector<std::wstring> found;
  if (fs.List(folder, TempPattern(name), &found) != platform::kErrorSuccess) return;
  for (const std::wstring& candidate : found) {
    // One still open elsewhere belongs to a live attempt; its delete fails.
    if (IsTempName(candidate, name)) (void)fs.Delete(folder + candidate);
  }
}

bool WriteFileAtomically(FileSystem& fs, const std::wstring& folder, const std::wstring& name,
                         ByteSource& source) {
  RemoveLeftovers(fs, folder, name);
  return ReplaceWith(fs, folder, name, source);
}

bool WriteFileUnlessCurrent(FileSystem& fs, const std::wstring& folder, const std::wstring& name,
                            std::span<const std::byte> expected, ByteSource& source,
                            CopyCheck* check) {
  // Before the check: a copy found current would otherwise keep an
  // interrupted attempt's temporary file (up to a whole archive) beside it
  // for good, as every later run finds it current too.
  RemoveLeftovers(fs, folder, name);
  ViewSource compared(expected);
  *check = CheckCurrentCopy(fs, folder + name, compared);
  if (check->current) return true;
  return ReplaceWith(fs, folder, name, source);
}

bool WriteFileAtomically(FileSystem& fs, const std::wstring& folder, const std::wstring& name,
                         std::span<const std::byte> bytes) {
  ViewSource source(bytes);
  return WriteFileAtomically(fs, folder, name, source);
}

}  // namespace payload
