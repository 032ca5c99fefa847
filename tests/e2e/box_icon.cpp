#include "box_icon.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "tests/support/win32/owners.h"

namespace e2e {
namespace {

// 32-bit BGRX pixels of a w x h surface.
class Canvas {
 public:
  Canvas(HDC reference, int w, int h) : w_(w), h_(h), dc_(CreateCompatibleDC(reference)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    selection_.emplace(dc_.get(), bitmap_.get());
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  [[nodiscard]] HDC Dc() const { return dc_.get(); }
  [[nodiscard]] std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * w_ + x] & 0xFFFFFF;
  }
  void Fill(std::uint32_t bgr) {
    GdiFlush();
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = bgr;
  }
  // Sum of per-channel differences.
  [[nodiscard]] std::int64_t Distance(const Canvas& other) const {
    GdiFlush();
    std::int64_t sum = 0;
    for (int i = 0; i < w_ * h_; ++i)
      for (int shift = 0; shift < 24; shift += 8)
        sum += std::abs(static_cast<int>((bits_[i] >> shift) & 0xFF) -
                        static_cast<int>((other.bits_[i] >> shift) & 0xFF));
    return sum;
  }

 private:
  int w_, h_;
  test_support::UniqueGdiObject bitmap_;  // outlives the context it is selected into
  test_support::UniqueDc dc_;
  std::optional<test_support::ScopedSelection> selection_;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace

BoxIcon IdentifyIcon(const MessageBoxView& box) {
  HWND icon = GetDlgItem(box.box, test_support::kMessageIconId);
  if (!icon || !IsWindowVisible(icon)) return BoxIcon::None;
  RECT r{};
  GetWindowRect(icon, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return BoxIcon::None;

  const test_support::ScreenDc screen = test_support::GetScreenDc();
  Canvas shown(screen.get(), w, h);
  BitBlt(shown.Dc(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  const std::uint32_t background = shown.At(0, 0);  // icon corners are transparent

  struct Candidate {
    BoxIcon kind;
    LPCWSTR id;
  };
  const Candidate candidates[] = {{BoxIcon::Information, IDI_ASTERISK},
                                  {BoxIcon::Warning, IDI_EXCLAMATION},
                                  {BoxIcon::Question, IDI_QUESTION},
                                  {BoxIcon::Critical, IDI_HAND}};
  BoxIcon best = BoxIcon::None;
  std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
  for (const auto& c : candidates) {
    Canvas drawn(screen.get(), w, h);
    drawn.Fill(background);
    DrawIconEx(drawn.Dc(), 0, 0, LoadIconW(nullptr, c.id), w, h, 0, nullptr, DI_NORMAL);
    const std::int64_t d = drawn.Distance(shown);
    if (d < bestDistance) {
      bestDistance = d;
      best = c.kind;
    }
  }
  return best;
}

std::string Name(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return "no icon";
    case BoxIcon::Information: return "information";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Question: return "question";
    case BoxIcon::Critical: return "critical";
  }
  return "?";
}

}  // namespace e2e
