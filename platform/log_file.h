#pragma once
// An append-only text file: the install log that support staff read.
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

class LogFile {
 public:
  virtual ~LogFile() = default;
  // Opens `path` for appending, creating it when missing and keeping what it
  // holds.  Others may read it, and another run may append to it, meanwhile.
  // A second Open lets go of the first file.
  [[nodiscard]] virtual Win32Status Open(const std::wstring& path) = 0;
  // Adds `bytes` at the end of the file in one write; 6 (invalid handle)
  // when nothing is open.
  [[nodiscard]] virtual Win32Status Append(std::string_view bytes) = 0;
};

}  // namespace platform
