#pragma once
// Sizes are designed at 96 DPI and scaled to the window's monitor.  The
// per-monitor calls exist only on Windows 10 1607 and later, so they are
// looked up at run time; older systems get 96.
#include <windows.h>

namespace platform::win32 {

inline constexpr UINT kDesignDpi = 96;

[[nodiscard]] UINT DpiForWindow(HWND window) noexcept;
[[nodiscard]] int ScaleForDpi(int designPixels, UINT dpi) noexcept;
// The outer size of a window of `style` whose client area is width x height.
[[nodiscard]] SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD exStyle,
                                       UINT dpi) noexcept;

}  // namespace platform::win32
