#include "platform/win32/log_file.h"

#include <windows.h>

#include <utility>

namespace platform::win32 {

Win32Status Win32LogFile::Open(const std::wstring& path) {
  file_.reset();
  UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  file_ = std::move(file);
  return kErrorSuccess;
}

Win32Status Win32LogFile::Append(std::string_view bytes) {
  if (!file_) return kErrorInvalidHandle;
  DWORD written = 0;
  if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return GetLastError();
  }
  return written == bytes.size() ? kErrorSuccess : kErrorWriteFault;
}

}  // namespace platform::win32
