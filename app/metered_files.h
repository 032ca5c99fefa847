#pragma once
// The file services as an attempt on the worker thread uses them: every call
// passes through, and on the way the attempt's progress is measured and a
// close of the window is obeyed.
//
// Progress is the bytes done out of the attempt's whole work: the copy in
// place read to compare (or, by the patch, to hash) when it has the size of
// what is written, then the bytes written.  Steps with no count (setting up,
// flush, rename) show as a marquee.  Long reads and writes go in pieces
// sized to the measured rate, about a quarter of a second each, so that a
// cancel is never far away even on storage as slow as 400 KB/s; once
// cancelled, every call fails with 995 (ERROR_OPERATION_ABORTED) except
// those that clean up: closing, and deleting anything but the installed copy.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/window.h"

namespace app {

struct ProgressLook {
  bool counted = false;       // false: a marquee
  std::uint32_t position = 0;  // out of platform::kProgressRange
  friend bool operator==(const ProgressLook&, const ProgressLook&) = default;
};

class MeteredFiles final : public platform::FileSystem {
 public:
  // Without a clock, reads and writes are never split.
  MeteredFiles(platform::FileSystem& files, platform::MainWindow& window, platform::Clock* clock)
      : files_(files), window_(window), clock_(clock) {}

  // Worker: an attempt that writes `target` begins; `Expect` tells how many
  // bytes it writes, once its resource has told.
  void Begin(const std::wstring& target);
  void Expect(std::uint64_t size) noexcept { size_ = size; }
  // Worker: waiting between attempts, a step with no count.
  void Waiting() { Uncounted(); }
  // Any thread: every later call fails (see above).  Not undone.
  void Cancel() noexcept { cancelled_ = true; }
  [[nodiscard]] bool Cancelled() const noexcept { return cancelled_; }
  // Window thread, on a posted message: what the bar should show now.
  [[nodiscard]] ProgressLook Look();

  std::uint32_t GetAttributes(const std::wstring& path, platform::Win32Status* error) override;
  platform::Win32Status Delete(const std::wstring& path) override;
  platform::Win32Status CreateNew(const std::wstring& path, platform::FileId* file) override;
  platform::Win32Status Write(platform::FileId file, const void* data, std::uint32_t size) override;
  platform::Win32Status Flush(platform::FileId file) override;
  platform::Win32Status Close(platform::FileId file) override;
  platform::Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) override;
  platform::Win32Status FreeSpace(const std::wstring& folder, std::uint64_t* bytes) override;
  platform::Win32Status List(const std::wstring& folder, const std::wstring& pattern,
                             std::vector<std::wstring>* names) override;
  platform::Win32Status OpenRead(const std::wstring& path, platform::FileId* file) override;
  platform::Win32Status GetSize(platform::FileId file, std::uint64_t* bytes) override;
  platform::Win32Status ReadAt(platform::FileId file, std::uint64_t offset, void* buffer,
                               std::uint32_t size, std::uint32_t* read) override;

 private:
  // Piece sizes from the last piece's rate.
  struct Pace {
    std::uint64_t bytesPerSecond = 0;  // 0: not measured yet
    [[nodiscard]] std::uint32_t Piece(std::uint32_t left) const;
  };

  [[nodiscard]] bool IsTargetRead(platform::FileId file) const {
    return std::find(targetReads_.begin(), targetReads_.end(), file) != targetReads_.end();
  }
  [[nodiscard]] std::uint64_t Now() { return clock_ != nullptr ? clock_->Microseconds() : 0; }
  void Measure(Pace& pace, std::uint32_t bytes, std::uint64_t since);
  // The bar's look changed (maybe): tells the window thread, unless a
  // message it has not read yet already does.
  void Show(ProgressLook look);
  void Uncounted() { Show({false, 0}); }
  void Counted();

  platform::FileSystem& files_;
  platform::MainWindow& window_;
  platform::Clock* clock_;
  std::atomic<bool> cancelled_{false};

  // The worker's own: the attempt in hand.
  std::wstring target_;
  std::vector<platform::FileId> targetReads_;  // open handles on the copy in place (one or two)
  std::uint64_t size_ = 0;
  std::uint64_t compareTotal_ = 0;  // the copy in place, when it has the size to compare
  std::uint64_t compared_ = 0;
  std::uint64_t written_ = 0;
  bool writing_ = false;
  std::uint64_t lastPost_ = 0;  // when the window thread was last told
  Pace readPace_;
  Pace writePace_;

  // Shared with the window thread.
  std::mutex lookLock_;
  ProgressLook look_;
  bool unread_ = false;  // a posted message has not been read yet
};

}  // namespace app
