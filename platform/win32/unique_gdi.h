#pragma once
// Owner of a GDI font; deletes it once.
#include <windows.h>

#include <utility>

namespace platform::win32 {

class UniqueFont {
 public:
  UniqueFont() = default;
  explicit UniqueFont(HFONT font) noexcept : font_(font) {}
  UniqueFont(const UniqueFont&) = delete;
  UniqueFont& operator=(const UniqueFont&) = delete;
  UniqueFont(UniqueFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
  UniqueFont& operator=(UniqueFont&& other) noexcept {
    if (this != &other) reset(std::exchange(other.font_, nullptr));
    return *this;
  }
  ~UniqueFont() { reset(); }

  [[nodiscard]] HFONT get() const noexcept { return font_; }
  void reset(HFONT font = nullptr) noexcept {
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
  }

 private:
  HFONT font_ = nullptr;
};

}  // namespace platform::win32
