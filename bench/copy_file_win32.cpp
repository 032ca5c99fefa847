#include "bench/copy_file_win32.h"

#include <memory>

namespace bench {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace

DWORD CopyAndFlush(const std::wstring& from, const std::wstring& to) {
  if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) return ::GetLastError();
  HANDLE raw = ::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return ::GetLastError();
  UniqueHandle copy(raw);
  if (!::FlushFileBuffers(copy.get())) return ::GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace bench
