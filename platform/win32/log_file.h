#pragma once
// The install log on the Win32 API: FILE_APPEND_DATA, so every write lands at
// the end even while another run appends to the same file.
#include "platform/log_file.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32LogFile final : public LogFile {
 public:
  [[nodiscard]] Win32Status Open(const std::wstring& path) override;
  [[nodiscard]] Win32Status Append(std::string_view bytes) override;

 private:
  UniqueFileHandle file_;
};

}  // namespace platform::win32
