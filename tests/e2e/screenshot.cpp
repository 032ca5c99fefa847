#include "screenshot.h"

#include <cstdint>
#include <cstring>
#include <vector>

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
  // 24-bit rows, bottom-up, each padded to 4 bytes: the plainest bitmap file,
  // which every reader takes without guessing at an alpha channel.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  info.bmiHeader.biSizeImage = stride * static_cast<DWORD>(h);
  std::vector<std::uint8_t> bmp(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
                                info.bmiHeader.biSizeImage);
  std::uint8_t* const pixels = bmp.data() + sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  if (GetDIBits(screen.get(), static_cast<HBITMAP>(bitmap.get()), 0, h, pixels, &info,
                DIB_RGB_COLORS) != h) {
    Log("screenshot: cannot read the bitmap's rows");
    return false;
  }
  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfSize = static_cast<DWORD>(bmp.size());
  fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  std::memcpy(bmp.data(), &fileHeader, sizeof fileHeader);
  std::memcpy(bmp.data() + sizeof fileHeader, &info.bmiHeader, sizeof info.bmiHeader);
  if (!test_support::WriteAll(path, bmp.data(), bmp.size())) {
    Log(L"screenshot: cannot write " + path);
    return false;
  }
  Log(L"screenshot " + path + L" (" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L")");
  return true;
}

}  // namespace e2e
