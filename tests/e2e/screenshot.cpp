#include "screenshot.h"

#include "harness.h"

namespace e2e {
namespace {

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};
struct MemoryDc {
  HDC dc;
  ~MemoryDc() { DeleteDC(dc); }
};
struct Bitmap {
  HBITMAP bitmap;
  ~Bitmap() { DeleteObject(bitmap); }
};

}  // namespace

bool SaveScreenshot(HWND window, const std::wstring& path) {
  RECT r{};
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) {
    Log("screenshot: the window has no area");
    return false;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  ScreenDc screen;
  MemoryDc memory{CreateCompatibleDC(screen.dc)};
  Bitmap bitmap{CreateCompatibleBitmap(screen.dc, w, h)};
  HGDIOBJ old = SelectObject(memory.dc, bitmap.bitmap);
  const BOOL copied = BitBlt(memory.dc, 0, 0, w, h, screen.dc, r.left, r.top, SRCCOPY);
  SelectObject(memory.dc, old);
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
  if (!GetDIBits(screen.dc, bitmap.bitmap, 0, h, bgra.data(), &info, DIB_RGB_COLORS)) return false;
  std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
    rgb[i * 3] = bgra[i * 4 + 2];
    rgb[i * 3 + 1] = bgra[i * 4 + 1];
    rgb[i * 3 + 2] = bgra[i * 4];
  }
  const auto png = EncodePng(w, h, rgb);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Log(L"screenshot: cannot create " + path);
    return false;
  }
  DWORD written = 0;
  WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
  CloseHandle(file);
  Log(L"screenshot " + path + L" (" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L")");
  return written == png.size();
}

}  // namespace e2e
