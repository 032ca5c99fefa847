#pragma once
// Owners for what the tests open besides the product's kernel handles:
// registry keys, loaded images, device contexts and GDI objects.  Each kind
// is one alias; the kernel handles' owners come from the product.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/win32/unique_handle.h"

namespace test_support {

using platform::win32::UniqueFileHandle;
using platform::win32::UniqueFindHandle;
using platform::win32::UniqueKernelHandle;

template <typename Handle, auto Close>
struct Closer {
  void operator()(Handle handle) const noexcept { Close(handle); }
};
template <typename Handle, auto Close>
using UniqueOwner = std::unique_ptr<std::remove_pointer_t<Handle>, Closer<Handle, Close>>;

using UniqueKey = UniqueOwner<HKEY, ::RegCloseKey>;
using UniqueModule = UniqueOwner<HMODULE, ::FreeLibrary>;
using UniqueDc = UniqueOwner<HDC, ::DeleteDC>;
using UniqueGdiObject = UniqueOwner<HGDIOBJ, ::DeleteObject>;

// The screen's device context, released to the system, not deleted.
struct ScreenDcRelease {
  void operator()(HDC dc) const noexcept { ::ReleaseDC(nullptr, dc); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcRelease>;
[[nodiscard]] inline ScreenDc GetScreenDc() { return ScreenDc(::GetDC(nullptr)); }

// An object selected into a device context until the scope ends.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~ScopedSelection() { ::SelectObject(dc_, old_); }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace test_support
