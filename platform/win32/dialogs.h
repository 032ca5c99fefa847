#pragma once
// Message boxes and the folder prompt, owned by the main window.
#include <windows.h>

#include "platform/win32/window.h"
#include "platform/dialogs.h"  // after <windows.h>: it lifts the MessageBox macro

namespace platform::win32 {

class Win32Dialogs final : public Dialogs {
 public:
  Win32Dialogs(HINSTANCE instance, const Win32MainWindow& owner) noexcept
      : instance_(instance), owner_(owner) {}

  Answer MessageBox(const std::wstring& text, Icon icon, Buttons buttons,
                    const std::wstring& title) override;
  std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                        const std::wstring& defaultText) override;

 private:
  HINSTANCE instance_;
  const Win32MainWindow& owner_;
};

}  // namespace platform::win32
