#pragma once
// One owner template for kernel handles; each handle kind is one alias with
// its own "no handle" value and its own close call.
#include <windows.h>

#include <utility>

namespace platform::win32 {

template <typename T, BOOL(WINAPI* CloseFn)(T), T (*Invalid)()>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  [[nodiscard]] T get() const noexcept { return handle_; }
  [[nodiscard]] explicit operator bool() const noexcept { return handle_ != Invalid(); }
  [[nodiscard]] T release() noexcept { return std::exchange(handle_, Invalid()); }
  void reset(T handle = Invalid()) noexcept {
    if (handle_ != Invalid()) CloseFn(handle_);
    handle_ = handle;
  }

 private:
  T handle_ = Invalid();
};

inline HANDLE InvalidFileHandle() noexcept { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandle() noexcept { return nullptr; }

// CreateFileW and FindFirstFileW answer INVALID_HANDLE_VALUE on failure;
// processes, threads and events answer NULL.
using UniqueFileHandle = UniqueHandle<HANDLE, ::CloseHandle, InvalidFileHandle>;
using UniqueFindHandle = UniqueHandle<HANDLE, ::FindClose, InvalidFileHandle>;
using UniqueKernelHandle = UniqueHandle<HANDLE, ::CloseHandle, NullHandle>;

}  // namespace platform::win32
