#include "payload/apply_patch.h"

#include <algorithm>
#include <vector>

#include "payload/byte_source.h"
#include "payload/hash_thread.h"
#include "payload/vcdiff_decoder.h"
#include "payload/write_file_atomically.h"
#include "payload/write_payload.h"

namespace payload {

namespace {

using platform::FileSystem;
using platform::kErrorSuccess;
using platform::Win32Status;

// Pieces of the installed file hashed at a time.
constexpr std::uint32_t kHashPiece = 1u << 20;

// The installed archive, read at any offset; a file that got shorter is an
// error, not fewer bytes.
class InstalledFile final : public DeltaSource {
 public:
  InstalledFile(FileSystem& fs, platform::FileId file) : fs_(fs), file_(file) {}
  Win32Status Read(std::uint64_t offset, void* buffer, std::uint32_t size) override {
    std::uint32_t read = 0;
    const Win32Status status = fs_.ReadAt(file_, offset, buffer, size, &read);
    if (status != kErrorSuccess) return status;
    return read == size ? kErrorSuccess : platform::kErrorHandleEof;
  }

 private:
  FileSystem& fs_;
  platform::FileId file_;
};

Win32Status HashFile(FileSystem& fs, platform::FileId file, std::uint64_t size,
                     platform::Sha256& sha, platform::Sha256Digest* digest) {
  std::vector<std::byte> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHashPiece)));
  InstalledFile reader(fs, file);
  Win32Status status = sha.Begin();
  for (std::uint64_t at = 0; status == kErrorSuccess && at < size;) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - at, kHashPiece));
    status = reader.Read(at, piece.data(), n);
    if (status == kErrorSuccess) status = sha.Update(piece.data(), n);
    at += n;
  }
  return status == kErrorSuccess ? sha.Finish(digest) : status;
}

// The new edition as the writer pulls it: one window of the delta at a
// time, hashed on a thread of its own while the writer writes the window and
// the next one is decoded into the other buffer.  The last window is handed
// out only when the whole result has the new edition's hash, so a wrong
// result never reaches the rename.  The installed file is closed by then:
// Windows cannot replace a file this process still holds open.
class PatchedSource final : public ByteSource {
 public:
  PatchedSource(VcdiffDecoder& decoder, DeltaSource& installed, platform::UniqueFile& file,
                platform::Sha256& sha, const Edition& to)
      : decoder_(decoder), installed_(installed), file_(file), to_(to), hash_(sha) {}

  [[nodiscard]] std::uint64_t Size() const override { return to_.size; }

  [[nodiscard]] bool Next(std::span<const std::byte>* chunk) override {
    *chunk = {};
    if (produced_ == to_.size) return true;
    if (produced_ == 0 && !Hashing(hash_.Begin())) return false;
    // The other buffer may still be hashed; this one was, before the other
    // was handed over.
    std::vector<std::byte>& buffer = buffers_[produced_ == 0 ? 0 : (last_ ^= 1)];
    if (!decoder_.Next(installed_, buffer)) return false;
    const std::span<const std::byte> window = buffer;
    if (window.empty() || window.size() > to_.size - produced_) {
      wrongResult_ = true;  // not the new edition's size
      return false;
    }
    if (!Hashing(hash_.Update(window))) return false;
    produced_ += window.size();
    if (produced_ == to_.size) {
      platform::Sha256Digest digest{};
      if (!Hashing(hash_.Finish(&digest))) return false;
      if (digest != to_.sha256) {
        wrongResult_ = true;
        return false;
      }
      file_.Reset();
    }
    *chunk = window;
    return true;
  }

  [[nodiscard]] bool WrongResult() const noexcept { return wrongResult_; }
  [[nodiscard]] Win32Status HashStatus() const noexcept { return hashStatus_; }

 private:
  bool Hashing(Win32Status status) {
    hashStatus_ = status;
    return status == kErrorSuccess;
  }

  VcdiffDecoder& decoder_;
  DeltaSource& installed_;
  platform::UniqueFile& file_;
  const Edition& to_;
  std::uint64_t produced_ = 0;
  bool wrongResult_ = false;
  Win32Status hashStatus_ = kErrorSuccess;
  // Two windows of at most 4 MiB: the one being written, the one being decoded.
  std::vector<std::byte> buffers_[2];
  unsigned last_ = 0;
  HashThread hash_;  // after the buffers: joined before they go
};

PatchAttempt Failed(PatchAttempt attempt, std::string why, Win32Status status = kErrorSuccess) {
  attempt.outcome = PatchOutcome::kFailed;
  attempt.why = std::move(why);
  attempt.status = status;
  return attempt;
}

PatchAttempt Is(PatchAttempt attempt, PatchOutcome outcome) {
  attempt.outcome = outcome;
  return attempt;
}

PatchAttempt Apply(FileSystem& fs, platform::Resources& resources, platform::Sha256& sha,
                   const std::wstring& targetDir) {
  PatchAttempt a;
  Win32Status status = kErrorSuccess;
  a.resource = resources.Find(kResourceType, kPatchResourceId, &status);
  if (!a.resource) return Failed(a, "finding the CUSTOM/102 resource", status);
  a.header = ReadPatchHeader(*a.resource);
  if (!a.header) return Failed(a, "the CUSTOM/102 resource is not a patch of this format");
  const PatchHeader& patch = *a.header;

  // Before any answer or check: an interrupted run can leave a whole edition
  // in a temporary file, and on a disk that full the free-space check below
  // would fail every later run; beside a copy found new, it would stay for good.
  RemoveLeftovers(fs, targetDir, kZipName);

  platform::FileId id{};
  status = fs.OpenRead(targetDir + kZipName, &id);
  if (status == platform::kErrorFileNotFound) return Is(a, PatchOutcome::kNotTheBase);
  if (status != kErrorSuccess) return Failed(a, "opening the installed copy", status);
  platform::UniqueFile file(fs, id);
  std::uint64_t size = 0;
  status = fs.GetSize(id, &size);
  if (status != kErrorSuccess) return Failed(a, "reading the size of the installed copy", status);
  a.foundSize = size;

  const auto hashInstalled = [&]() -> bool {
    platform::Sha256Digest digest{};
    status = HashFile(fs, id, size, sha, &digest);
    if (status == kErrorSuccess) a.foundSha256 = digest;
    return status == kErrorSuccess;
  };
  // The size names the edition in the usual case.  A file of the new
  // edition's size is most likely that edition, and editions of one size
  // can only be told apart by their hash: then one read tells first.
  std::vector<std::size_t> sameSize;
  for (std::size_t i = 0; i < patch.from.size(); ++i) {
    if (patch.from[i].edition.size == size) sameSize.push_back(i);
  }
  if (size == patch.to.size || sameSize.size() > 1) {
    if (!hashInstalled()) return Failed(a, "reading the installed copy", status);
    if (size == patch.to.size && *a.foundSha256 == patch.to.sha256) return Is(a, PatchOutcome::kAlreadyNew);
  }
  for (const std::size_t i : sameSize) {
    if (!a.foundSha256 || *a.foundSha256 == patch.from[i].edition.sha256) a.base = i;
  }
  if (!a.base) return Is(a, PatchOutcome::kNotTheBase);
  const PatchBase& base = patch.from[*a.base];

  // The old copy stays until the new one is complete: no room for both, no patch.
  std::uint64_t freeBytes = 0;
  status = fs.FreeSpace(targetDir, &freeBytes);
  if (status != kErrorSuccess) return Failed(a, "reading the free space", status);
  if (freeBytes < patch.to.size) {
    return Failed(a, "no room for the new copy beside the installed one", platform::kErrorDiskFull);
  }

  // Applied straight away, so that the usual case reads the installed file
  // once; only a wrong result is worth a second read, to tell a damaged
  // delta or a file that changed meanwhile from another edition.
  VcdiffDecoder decoder(base.delta, size, patch.pool);
  InstalledFile installed(fs, id);
  PatchedSource source(decoder, installed, file, sha, patch.to);
  if (WriteFileAtomically(fs, targetDir, kZipName, source)) return Is(a, PatchOutcome::kWritten);
  if (decoder.Problem() == DeltaProblem::kDamaged) {
    return Failed(a, "the delta is damaged (" + decoder.Why() + ")");
  }
  if (decoder.Problem() == DeltaProblem::kReadFailed) {
    return Failed(a, "reading the installed copy", decoder.Status());
  }
  if (source.HashStatus() != kErrorSuccess) return Failed(a, "hashing the new copy", source.HashStatus());
  if (!source.WrongResult()) return Failed(a, "");  // the writing side failed
  if (!a.foundSha256 && !hashInstalled()) return Failed(a, "reading the installed copy", status);
  if (*a.foundSha256 != base.edition.sha256) {
    a.base.reset();
    return Is(a, PatchOutcome::kNotTheBase);
  }
  return Failed(a,
                "the rebuilt copy's SHA-256 is wrong although the installed copy is an edition "
                "the patch updates from: it changed while it was read, or the delta is damaged");
}

}  // namespace

PatchAttempt ApplyPatch(FileSystem& fs, platform::Resources& resources, platform::Sha256& sha,
                        platform::Dialogs& dialogs, const std::wstring& targetDir) {
  PatchAttempt attempt;
  try {
    attempt = Apply(fs, resources, sha, targetDir);
  } catch (...) {
    // Any failure of an attempt is silent; the caller retries.
    attempt.outcome = PatchOutcome::kFailed;
    attempt.why = "an unexpected error";
    return attempt;
  }
  // Outside the trap, as the full updater's notice.
  if (attempt.outcome == PatchOutcome::kWritten || attempt.outcome == PatchOutcome::kAlreadyNew) {
    dialogs.MessageBox(kDoneText, platform::Icon::Information, platform::Buttons::Ok, kDoneTitle);
  }
  return attempt;
}

}  // namespace payload
