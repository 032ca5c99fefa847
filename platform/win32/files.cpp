#include "platform/win32/files.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

HANDLE ToHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }

Win32Status LastError() { return static_cast<Win32Status>(::GetLastError()); }

Win32Status Result(BOOL ok) { return ok ? kErrorSuccess : LastError(); }

}  // namespace

std::uint32_t Win32FileSystem::GetAttributes(const std::wstring& path, Win32Status* error) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && error != nullptr) *error = LastError();
  return attributes;
}

Win32Status Win32FileSystem::Delete(const std::wstring& path) {
  return Result(::DeleteFileW(path.c_str()));
}

Win32Status Win32FileSystem::CreateNew(const std::wstring& path, FileId* file) {
  *file = FileId{};
  // No sharing: nobody reads a half-written file or renames it under us.
  UniqueFileHandle handle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle) return LastError();
  *file = reinterpret_cast<FileId>(handle.release());
  return kErrorSuccess;
}

Win32Status Win32FileSystem::Write(FileId file, const void* data, std::uint32_t size) {
  const auto* next = static_cast<const BYTE*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(ToHandle(file), next, size, &written, nullptr)) return LastError();
    if (written == 0) return kErrorWriteFault;  // a file never legitimately takes nothing
    next += written;
    size -= written;
  }
  return kErrorSuccess;
}

Win32Status Win32FileSystem::Flush(FileId file) {
  return Result(::FlushFileBuffers(ToHandle(file)));
}

Win32Status Win32FileSystem::Close(FileId file) { return Result(::CloseHandle(ToHandle(file))); }

Win32Status Win32FileSystem::MoveReplace(const std::wstring& from, const std::wstring& to) {
  return Result(::MoveFileExW(from.c_str(), to.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

Win32Status Win32FileSystem::FreeSpace(const std::wstring& folder, std::uint64_t* bytes) {
  ULARGE_INTEGER available{};
  *bytes = 0;
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return LastError();
  *bytes = available.QuadPart;
  return kErrorSuccess;
}

Win32Status Win32FileSystem::List(const std::wstring& folder, const std::wstring& pattern,
                                  std::vector<std::wstring>* names) {
  names->clear();
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(::FindFirstFileW((folder + pattern).c_str(), &data));
  if (!find) {
    const Win32Status status = LastError();
    // An existing folder with nothing that matches.
    return status == kErrorFileNotFound ? kErrorSuccess : status;
  }
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names->push_back(name);
  } while (::FindNextFileW(find.get(), &data));
  const Win32Status status = LastError();
  return status == ERROR_NO_MORE_FILES ? kErrorSuccess : status;
}

Win32Status Win32FileSystem::OpenRead(const std::wstring& path, FileId* file) {
  *file = FileId{};
  UniqueFileHandle handle(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle) return LastError();
  *file = reinterpret_cast<FileId>(handle.release());
  return kErrorSuccess;
}

Win32Status Win32FileSystem::GetSize(FileId file, std::uint64_t* bytes) {
  LARGE_INTEGER size{};
  *bytes = 0;
  if (!::GetFileSizeEx(ToHandle(file), &size)) return LastError();
  *bytes = static_cast<std::uint64_t>(size.QuadPart);
  return kErrorSuccess;
}

Win32Status Win32FileSystem::ReadAt(FileId file, std::uint64_t offset, void* buffer,
                                    std::uint32_t size, std::uint32_t* read) {
  *read = 0;
  auto* next = static_cast<BYTE*>(buffer);
  while (*read < size) {
    // On a handle opened without FILE_FLAG_OVERLAPPED the offset in the
    // OVERLAPPED is where a synchronous read starts.
    const std::uint64_t at = offset + *read;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!::ReadFile(ToHandle(file), next, size - *read, &got, &where)) {
      const Win32Status status = LastError();
      return status == ERROR_HANDLE_EOF ? kErrorSuccess : status;
    }
    if (got == 0) break;  // the end of the file
    next += got;
    *read += got;
  }
  return kErrorSuccess;
}

}  // namespace platform::win32
