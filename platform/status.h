#pragma once
#include <cstdint>

namespace platform {

// A raw Win32 status (GetLastError() or a registry LSTATUS); 0 is success.
using Win32Status = std::uint32_t;

inline constexpr Win32Status kErrorSuccess = 0;
inline constexpr Win32Status kErrorFileNotFound = 2;
inline constexpr Win32Status kErrorPathNotFound = 3;
inline constexpr Win32Status kErrorAccessDenied = 5;
inline constexpr Win32Status kErrorInvalidHandle = 6;
inline constexpr Win32Status kErrorNotEnoughMemory = 8;
inline constexpr Win32Status kErrorOutOfMemory = 14;
inline constexpr Win32Status kErrorWriteFault = 29;
inline constexpr Win32Status kErrorReadFault = 30;
inline constexpr Win32Status kErrorSharingViolation = 32;
inline constexpr Win32Status kErrorHandleEof = 38;
inline constexpr Win32Status kErrorHandleDiskFull = 39;
inline constexpr Win32Status kErrorFileExists = 80;
inline constexpr Win32Status kErrorInvalidParameter = 87;
inline constexpr Win32Status kErrorDiskFull = 112;
inline constexpr Win32Status kErrorInvalidName = 123;
inline constexpr Win32Status kErrorAlreadyExists = 183;
inline constexpr Win32Status kErrorMoreData = 234;
inline constexpr Win32Status kErrorOperationAborted = 995;
inline constexpr Win32Status kErrorBadDb = 1009;
inline constexpr Win32Status kErrorBadKey = 1010;
inline constexpr Win32Status kErrorCantOpen = 1011;
inline constexpr Win32Status kErrorCantRead = 1012;
inline constexpr Win32Status kErrorCantWrite = 1013;

// What a raw status means, for a registry LSTATUS (signed) and a
// GetLastError() value (unsigned) alike.
[[nodiscard]] constexpr bool IsSuccess(std::int64_t status) noexcept {
  return status == kErrorSuccess;
}
[[nodiscard]] constexpr bool IsNotFound(std::int64_t status) noexcept {
  return status == kErrorFileNotFound;
}
[[nodiscard]] constexpr bool IsMoreData(std::int64_t status) noexcept {
  return status == kErrorMoreData;
}

}  // namespace platform
