#pragma once
// Applies a VCDIFF delta (RFC 3284) window by window: each target window is
// rebuilt in one reused buffer from the delta's bytes and from ranges of the
// source read a bounded piece at a time, then handed on.  Memory stays
// bounded whatever the delta says, and a damaged or hostile delta is
// refused before it can read or write outside any buffer or range.
//
// The source is a file, optionally followed by a pool of bytes in memory: a
// segment may span both, and copies from the pool never touch the file.
//
// Accepted: the default code table, no secondary compression, windows whose
// source segment lies in the source (VCD_SOURCE) or that have none; an
// application header and xdelta3's Adler-32 of a window are skipped (the
// caller hashes the whole result anyway).  Refused as damaged: a custom code
// table, compressed sections, VCD_TARGET windows (their source would be the
// target written so far, which is no longer in memory), and target windows
// over kMaxTargetWindow.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace payload {

inline constexpr std::uint32_t kMaxTargetWindow = 4u << 20;
// Source bytes read per ReadAt.
inline constexpr std::uint32_t kSourceBlock = 1u << 20;

class DeltaSource {
 public:
  virtual ~DeltaSource() = default;
  // Exactly `size` bytes at `offset`, or a status that is not success.
  virtual platform::Win32Status Read(std::uint64_t offset, void* buffer, std::uint32_t size) = 0;
};

enum class DeltaProblem {
  kNone,
  kDamaged,     // the delta breaks the format or its own bounds
  kReadFailed,  // the source could not be read; `status` says why
};

class VcdiffDecoder {
 public:
  // `delta` and `pool` must stay valid while the decoder is used; the source
  // is the `sourceSize` bytes of the file, then the pool, and bounds every
  // source segment.
  VcdiffDecoder(std::span<const std::byte> delta, std::uint64_t sourceSize,
                std::span<const std::byte> pool = {});

  // The next target window in *window (a view of the decoder's buffer, valid
  // until the next call); empty once the delta is done.  False on a problem.
  [[nodiscard]] bool Next(DeltaSource& source, std::span<const std::byte>* window);
  // The same into `window`, which the caller owns and may hand to another
  // thread between calls; its memory is reused.
  [[nodiscard]] bool Next(DeltaSource& source, std::vector<std::byte>& window);

  [[nodiscard]] DeltaProblem Problem() const noexcept { return problem_; }
  [[nodiscard]] platform::Win32Status Status() const noexcept { return status_; }
  // What was wrong with a damaged delta, for the log.
  [[nodiscard]] const std::string& Why() const noexcept { return why_; }

 private:
  bool Damaged(const char* why);
  bool ReadHeader();
  bool DecodeWindow(DeltaSource& source, std::vector<std::byte>& target);
  bool CopyFromSource(DeltaSource& source, std::uint64_t at, std::uint32_t size, std::byte* out);

  std::span<const std::byte> delta_;
  std::size_t at_ = 0;  // next byte of the delta
  std::uint64_t sourceSize_;  // of the file
  std::span<const std::byte> pool_;
  bool headerRead_ = false;
  // The current window's source segment in the source file.
  std::uint64_t segmentStart_ = 0;
  std::uint64_t segmentSize_ = 0;
  std::vector<std::byte> target_;  // the window being rebuilt, when the caller has no buffer
  std::vector<std::byte> block_;   // a piece of the source, reused
  std::uint64_t blockStart_ = 0;
  std::uint32_t blockSize_ = 0;
  DeltaProblem problem_ = DeltaProblem::kNone;
  platform::Win32Status status_ = platform::kErrorSuccess;
  std::string why_;
};

}  // namespace payload
