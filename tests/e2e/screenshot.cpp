#include "screenshot.h"

#include <cstdint>
#include <cstring>
#include <vector>

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
  if (GetDIBits(screen.dc, bitmap.bitmap, 0, h, pixels, &info, DIB_RGB_COLORS) != h) {
    Log("screenshot: cannot read the bitmap's rows");
    return false;
  }
  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfSize = static_cast<DWORD>(bmp.size());
  fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  std::memcpy(bmp.data(), &fileHeader, sizeof fileHeader);
  std::memcpy(bmp.data() + sizeof fileHeader, &info.bmiHeader, sizeof info.bmiHeader);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Log(L"screenshot: cannot create " + path);
    return false;
  }
  DWORD written = 0;
  WriteFile(file, bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr);
  CloseHandle(file);
  Log(L"screenshot " + path + L" (" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L")");
  return written == bmp.size();
}

}  // namespace e2e
