#pragma once
// The operating system's own copy, as the floor a writer is measured against.
#include <windows.h>

#include <string>

namespace bench {

// CopyFileW, then FlushFileBuffers of the copy: the same durability as the
// atomic writer.  Returns the Win32 status (0 on success).
[[nodiscard]] DWORD CopyAndFlush(const std::wstring& from, const std::wstring& to);

}  // namespace bench
