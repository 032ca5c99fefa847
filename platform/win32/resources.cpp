#include "platform/win32/resources.h"

#include <windows.h>

#include <vector>

#include "platform/image_sections.h"

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

namespace {

// The exe's path, however long: GetModuleFileNameW truncates silently when
// the buffer is short, so grow it until the path fits.
Win32Status ModulePath(std::wstring* path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return static_cast<Win32Status>(::GetLastError());
    if (length < buffer.size()) {
      path->assign(buffer.data(), length);
      break;
    }
    if (buffer.size() >= 0x10000) return ERROR_INSUFFICIENT_BUFFER;
    buffer.resize(buffer.size() * 2);
  }
  // Past MAX_PATH CreateFileW needs the \\?\ form, which the loader's
  // absolute, normalised path can take as it is.
  if (path->size() >= MAX_PATH && !path->starts_with(LR"(\\?\)")) {
    *path = path->starts_with(LR"(\\)") ? LR"(\\?\UNC\)" + path->substr(2) : LR"(\\?\)" + *path;
  }
  return kErrorSuccess;
}

}  // namespace

Win32Status Win32Resources::LocateInFile(std::span<const std::byte> view, ImageFileRange* where) {
  *where = ImageFileRange{};
  const auto* base = reinterpret_cast<const std::byte*>(::GetModuleHandleW(nullptr));
  // The headers are mapped as one read-only region at the image's base.
  MEMORY_BASIC_INFORMATION headers{};
  if (::VirtualQuery(base, &headers, sizeof headers) == 0) {
    return static_cast<Win32Status>(::GetLastError());
  }
  const auto address = reinterpret_cast<std::uintptr_t>(view.data());
  const auto start = reinterpret_cast<std::uintptr_t>(base);
  if (address < start) return kErrorBadExeFormat;
  const auto offset = FileOffsetOfRva(std::span<const std::byte>(base, headers.RegionSize),
                                      address - start, view.size());
  if (!offset) return kErrorBadExeFormat;
  ImageFileRange found{{}, *offset};
  if (const Win32Status status = ModulePath(&found.path); status != kErrorSuccess) return status;
  *where = std::move(found);
  return kErrorSuccess;
}

}  // namespace platform::win32
