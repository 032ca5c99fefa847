#include "platform/win32/dpi.h"

#include "platform/win32/system_module.h"

namespace platform::win32 {

namespace {

template <typename Function>
Function User32Function(const char* name) noexcept {
  Function function = nullptr;
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 != nullptr) (void)Bind(user32, name, &function);
  return function;
}

}  // namespace

UINT DpiForWindow(HWND window) noexcept {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow == nullptr || window == nullptr) return kDesignDpi;
  const UINT dpi = getDpiForWindow(window);
  return dpi == 0 ? kDesignDpi : dpi;
}

int ScaleForDpi(int designPixels, UINT dpi) noexcept {
  return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD exStyle, UINT dpi) noexcept {
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, width, height};
  if (adjustForDpi == nullptr || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
    rect = RECT{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace platform::win32
