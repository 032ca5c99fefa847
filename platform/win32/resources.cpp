#include "platform/win32/resources.h"

#include <windows.h>

namespace platform::win32 {

std::optional<std::span<const std::byte>> Win32Resources::Find(const std::wstring& type,
                                                               std::uint16_t id,
                                                               Win32Status* error) {
  auto fail = [error]() {
    const auto status = static_cast<Win32Status>(::GetLastError());
    if (error != nullptr) *error = status != kErrorSuccess ? status : kErrorResourceDataNotFound;
    return std::nullopt;
  };
  // A resource of the image: nothing to free, it lives as long as the
  // process, and its pages are mapped from the file rather than copied.
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str());
  if (info == nullptr) return fail();
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  if (loaded == nullptr) return fail();
  const void* data = ::LockResource(loaded);
  if (data == nullptr) return fail();
  const DWORD size = ::SizeofResource(nullptr, info);
  if (error != nullptr) *error = kErrorSuccess;
  return std::span<const std::byte>(static_cast<const std::byte*>(data), size);
}

}  // namespace platform::win32
