#include "screenshot.h"

#include "harness.h"
#include "tests/support/win32/owners.h"
#include "tests/support/win32/scratch_folder.h"

namespace e2e {

bool SaveScreenshot(HWND window, const std::wstring& path) {
  RECT r{};
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) {
    Log("screenshot: the window has no area");
    return false;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  const test_support::ScreenDc screen = test_support::GetScreenDc();
  const test_support::UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  const test_support::UniqueDc memory(CreateCompatibleDC(screen.get()));
  BOOL copied = FALSE;
  {
    const test_support::ScopedSelection selected(memory.get(), bitmap.get());
    copied = BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  if (!copied) {
    Log("screenshot: cannot read the screen");
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  if (!GetDIBits(screen.get(), static_cast<HBITMAP>(bitmap.get()), 0, h, bgra.data(), &info, DIB_RGB_COLORS)) return false;
  std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
    rgb[i * 3] = bgra[i * 4 + 2];
    rgb[i * 3 + 1] = bgra[i * 4 + 1];
    rgb[i * 3 + 2] = bgra[i * 4];
  }
  const auto png = EncodePng(w, h, rgb);
  if (!test_support::WriteAll(path, png.data(), png.size())) {
    Log(L"screenshot: cannot write " + path);
    return false;
  }
  Log(L"screenshot " + path + L" (" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L")");
  return true;
}

}  // namespace e2e
