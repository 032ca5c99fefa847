#pragma once
// The updater's file services with every Write timed, so that a timed run can
// say how many of its writes met a slow page cache (on these VMs a 4 MiB
// write takes either about 1 ms or 10-15 ms, and how many are slow decides
// the whole run), and with the flush, the rename and the reads timed too, so
// that it can say where the rest of its time went.
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace bench {

class TimedFiles final : public platform::FileSystem {
 public:
  // `now` gives milliseconds from any fixed point.
  TimedFiles(platform::FileSystem& inner, std::function<double()> now)
      : inner_(inner), now_(std::move(now)) {}

  // Milliseconds of each Write, in call order, failed ones included.
  [[nodiscard]] const std::vector<double>& WriteMs() const noexcept { return writeMs_; }
  // Milliseconds spent in all Flush, MoveReplace and ReadAt calls.
  [[nodiscard]] double FlushMs() const noexcept { return flushMs_; }
  [[nodiscard]] double MoveMs() const noexcept { return moveMs_; }
  [[nodiscard]] double ReadMs() const noexcept { return readMs_; }

  platform::Win32Status Write(platform::FileId file, const void* data,
                              std::uint32_t size) override;
  platform::Win32Status Flush(platform::FileId file) override {
    return Timed(flushMs_, [&] { return inner_.Flush(file); });
  }
  platform::Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) override {
    return Timed(moveMs_, [&] { return inner_.MoveReplace(from, to); });
  }
  platform::Win32Status ReadAt(platform::FileId file, std::uint64_t offset, void* buffer,
                               std::uint32_t size, std::uint32_t* read) override {
    return Timed(readMs_, [&] { return inner_.ReadAt(file, offset, buffer, size, read); });
  }

  std::uint32_t GetAttributes(const std::wstring& path, platform::Win32Status* error) override {
    return inner_.GetAttributes(path, error);
  }
  platform::Win32Status Delete(const std::wstring& path) override { return inner_.Delete(path); }
  platform::Win32Status CreateNew(const std::wstring& path, platform::FileId* file) override {
    return inner_.CreateNew(path, file);
  }
  platform::Win32Status Close(platform::FileId file) override { return inner_.Close(file); }
  platform::Win32Status FreeSpace(const std::wstring& folder, std::uint64_t* bytes) override {
    return inner_.FreeSpace(folder, bytes);
  }
  platform::Win32Status List(const std::wstring& folder, const std::wstring& pattern,
                             std::vector<std::wstring>* names) override {
    return inner_.List(folder, pattern, names);
  }
  platform::Win32Status OpenRead(const std::wstring& path, platform::FileId* file) override {
    return inner_.OpenRead(path, file);
  }
  platform::Win32Status GetSize(platform::FileId file, std::uint64_t* bytes) override {
    return inner_.GetSize(file, bytes);
  }

 private:
  template <class Call>
  platform::Win32Status Timed(double& total, Call call) {
    const double started = now_();
    const platform::Win32Status status = call();
    total += now_() - started;
    return status;
  }

  platform::FileSystem& inner_;
  std::function<double()> now_;
  std::vector<double> writeMs_;
  double flushMs_ = 0, moveMs_ = 0, readMs_ = 0;
};

}  // namespace bench
