#pragma once
// The install log for support staff: one line per step, in English, UTF-8,
// each with the local time in front.  It never throws and never stops an
// install: a line that cannot be written is dropped.
#include <string>

#include "platform/clock.h"
#include "platform/error_messages.h"
#include "platform/log_file.h"

namespace app {

class InstallLog {
 public:
  // A log that writes nowhere: the run without /LOG.
  InstallLog() = default;
  InstallLog(platform::LogFile& file, platform::Clock& clock, platform::ErrorMessages& messages)
      : file_(&file), clock_(&clock), messages_(&messages) {}

  // Until it is opened, every line goes nowhere.
  [[nodiscard]] platform::Win32Status Open(const std::wstring& path);
  void Line(const std::wstring& text) noexcept;
  // The clock's count, for how long a step took; 0 with no clock.
  [[nodiscard]] std::uint64_t Milliseconds() {
    return clock_ != nullptr ? clock_->Milliseconds() : 0;
  }
  // "error 32 (The process cannot access the file ...)", for a line.
  [[nodiscard]] std::wstring Error(platform::Win32Status status);

 private:
  platform::LogFile* file_ = nullptr;
  platform::Clock* clock_ = nullptr;
  platform::ErrorMessages* messages_ = nullptr;
  bool open_ = false;
};

// UTF-8 of a wide text; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string ToUtf8(const std::wstring& text);

}  // namespace app
