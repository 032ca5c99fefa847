#include "app/metered_files.h"

#include <algorithm>

namespace app {

namespace {

using platform::FileId;
using platform::Win32Status;
using platform::kErrorOperationAborted;
using platform::kErrorSuccess;

constexpr std::uint32_t kSmallestPiece = 64u << 10;
// A piece takes about this long, a quarter of a second: a close waits at
// most for the piece in hand.
constexpr std::uint64_t kPiecesPerSecond = 4;
// At most 20 moves of the bar a second reach the window thread.
constexpr std::uint64_t kMovePostIntervalUs = 50'000;

}  // namespace

std::uint32_t MeteredFiles::Pace::Piece(std::uint32_t left) const {
  if (bytesPerSecond == 0) return std::min(left, kSmallestPiece);
  std::uint64_t piece = bytesPerSecond / kPiecesPerSecond;
  piece -= piece % kSmallestPiece;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(left, std::max<std::uint64_t>(piece, kSmallestPiece)));
}

void MeteredFiles::Measure(Pace& pace, std::uint32_t bytes, std::uint64_t since) {
  if (clock_ == nullptr) return;
  const std::uint64_t took = std::max<std::uint64_t>(Now() - since, 1);
  pace.bytesPerSecond = std::max<std::uint64_t>(std::uint64_t{bytes} * 1000000u / took, 1);
}

void MeteredFiles::Begin(const std::wstring& target) {
  target_ = target;
  targetReads_.clear();
  size_ = 0;
  compareTotal_ = compared_ = written_ = 0;
  writing_ = false;
  Uncounted();
}

ProgressLook MeteredFiles::Look() {
  const std::lock_guard<std::mutex> lock(lookLock_);
  unread_ = false;
  return look_;
}

void MeteredFiles::Show(ProgressLook look) {
  const std::uint64_t now = Now();
  {
    const std::lock_guard<std::mutex> lock(lookLock_);
    if (look == look_) return;
    // A bar that only moves on is told so a few times a second: on a fast
    // disk each 4 MiB chunk would otherwise wake the window thread.
    const bool onlyMoved = look.counted && look_.counted;
    look_ = look;
    if (unread_) return;
    if (onlyMoved && clock_ != nullptr && now - lastPost_ < kMovePostIntervalUs) return;
    unread_ = true;
  }
  lastPost_ = now;
  window_.PostFromWorker();
}

void MeteredFiles::Counted() {
  const std::uint64_t total = compareTotal_ + size_;
  if (total == 0) return;
  const std::uint64_t done = writing_ ? compareTotal_ + std::min(written_, size_) : compared_;
  Show({true, static_cast<std::uint32_t>(done * platform::kProgressRange / total)});
}

std::uint32_t MeteredFiles::GetAttributes(const std::wstring& path, Win32Status* error) {
  if (cancelled_) {
    *error = kErrorOperationAborted;
    return platform::kInvalidFileAttributes;
  }
  return files_.GetAttributes(path, error);
}

Win32Status MeteredFiles::Delete(const std::wstring& path) {
  // Temporary files go even after a cancel; the installed copy stays.
  if (cancelled_ && path == target_) return kErrorOperationAborted;
  return files_.Delete(path);
}

Win32Status MeteredFiles::CreateNew(const std::wstring& path, FileId* file) {
  if (cancelled_) return kErrorOperationAborted;
  return files_.CreateNew(path, file);
}

Win32Status MeteredFiles::Write(FileId file, const void* data, std::uint32_t size) {
  if (!writing_) {
    writing_ = true;
    Counted();
  }
  const auto* bytes = static_cast<const std::byte*>(data);
  do {
    // Checked before every piece: a close never waits for a whole chunk.
    if (cancelled_) return kErrorOperationAborted;
    const std::uint32_t piece = writePace_.Piece(size);
    const std::uint64_t started = Now();
    const Win32Status status = files_.Write(file, bytes, piece);
    if (status != kErrorSuccess) return status;
    Measure(writePace_, piece, started);
    bytes += piece;
    size -= piece;
    written_ += piece;
    Counted();
  } while (size > 0);
  return kErrorSuccess;
}

Win32Status MeteredFiles::Flush(FileId file) {
  if (cancelled_) return kErrorOperationAborted;
  Uncounted();
  return files_.Flush(file);
}

Win32Status MeteredFiles::Close(FileId file) {
  std::erase(targetReads_, file);
  return files_.Close(file);
}

Win32Status MeteredFiles::MoveReplace(const std::wstring& from, const std::wstring& to) {
  if (cancelled_) return kErrorOperationAborted;
  Uncounted();
  return files_.MoveReplace(from, to);
}

Win32Status MeteredFiles::FreeSpace(const std::wstring& folder, std::uint64_t* bytes) {
  if (cancelled_) return kErrorOperationAborted;
  return files_.FreeSpace(folder, bytes);
}

Win32Status MeteredFiles::List(const std::wstring& folder, const std::wstring& pattern,
                               std::vector<std::wstring>* names) {
  if (cancelled_) return kErrorOperationAborted;
  return files_.List(folder, pattern, names);
}

Win32Status MeteredFiles::OpenRead(const std::wstring& path, FileId* file) {
  if (cancelled_) return kErrorOperationAborted;
  const Win32Status status = files_.OpenRead(path, file);
  if (status == kErrorSuccess && !target_.empty() && path == target_) targetReads_.push_back(*file);
  return status;
}

Win32Status MeteredFiles::GetSize(FileId file, std::uint64_t* bytes) {
  if (cancelled_) return kErrorOperationAborted;
  const Win32Status status = files_.GetSize(file, bytes);
  // Of the size written: it is read whole to compare (or hash) first.
  if (status == kErrorSuccess && !writing_ && IsTargetRead(file) && *bytes == size_) {
    compareTotal_ = size_;
  }
  return status;
}

Win32Status MeteredFiles::ReadAt(FileId file, std::uint64_t offset, void* buffer,
                                 std::uint32_t size, std::uint32_t* read) {
  const bool counts = !writing_ && IsTargetRead(file);
  auto* bytes = static_cast<std::byte*>(buffer);
  *read = 0;
  do {
    if (cancelled_) return kErrorOperationAborted;
    const std::uint32_t piece = readPace_.Piece(size - *read);
    std::uint32_t got = 0;
    const std::uint64_t started = Now();
    const Win32Status status = files_.ReadAt(file, offset + *read, bytes + *read, piece, &got);
    if (status != kErrorSuccess) return status;
    Measure(readPace_, got, started);
    *read += got;
    if (counts && compareTotal_ > 0) {
      compared_ = std::min(compared_ + got, compareTotal_);
      Counted();
    }
    if (got < piece) break;  // the end of the file
  } while (*read < size);
  return kErrorSuccess;
}

}  // namespace app
