#include "platform/win32/dialogs.h"

#include "platform/win32/input_box.h"

namespace platform::win32 {

namespace {

UINT IconFlag(Icon icon) noexcept {
  switch (icon) {
    case Icon::Warning: return MB_ICONWARNING;
    case Icon::Question: return MB_ICONQUESTION;
    case Icon::Critical: return MB_ICONERROR;
    case Icon::Information: break;
  }
  return MB_ICONINFORMATION;
}

}  // namespace

Answer Win32Dialogs::MessageBox(const std::wstring& text, Icon icon, Buttons buttons,
                                const std::wstring& title) {
  // Yes is the first button, hence the default one.
  const UINT flags = IconFlag(icon) | (buttons == Buttons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK);
  switch (MessageBoxW(owner_.hwnd(), text.c_str(), title.c_str(), flags)) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    default: return Answer::Ok;
  }
}

std::wstring Win32Dialogs::InputBox(const std::wstring& prompt, const std::wstring& title,
                                    const std::wstring& defaultText) {
  return ShowInputBox(instance_, owner_.hwnd(), prompt, title, defaultText);
}

}  // namespace platform::win32
