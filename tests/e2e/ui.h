#pragma once
// The updater's own windows seen from outside: the main window and the
// folder prompt.  Message boxes and the reading of texts are shared by all
// the Win32 tests.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/win32/message_box.h"
#include "tests/support/win32/window_probe.h"

namespace e2e {

using test_support::Children;
using test_support::Click;
using test_support::FindMessageBox;
using test_support::HasClass;
using test_support::IsPushButton;
using test_support::milliseconds;
using test_support::ReadText;
using test_support::VisibleTopLevels;
using test_support::WaitUntil;
using test_support::WriteText;
using MessageBoxView = test_support::BoxView;

// The updater's main window: its caption and its one button.
struct MainWindowView {
  HWND window = nullptr;
  HWND button = nullptr;
  [[nodiscard]] std::wstring Title() const { return ReadText(window); }
  [[nodiscard]] std::wstring ButtonCaption() const { return ReadText(button); }
};
[[nodiscard]] std::optional<MainWindowView> FindMainWindow(DWORD pid, const std::wstring& title);

// The folder prompt: a dialog with a prompt text, an edit field, OK and Annulla.
struct InputBoxView {
  HWND dialog = nullptr;
  HWND edit = nullptr;
  HWND ok = nullptr;
  HWND cancel = nullptr;
  std::wstring title;
  std::vector<std::wstring> statics;  // every label's text
  [[nodiscard]] std::wstring Text() const { return ReadText(edit); }
  [[nodiscard]] bool ShowsLabel(const std::wstring& text) const;
  [[nodiscard]] HWND Owner() const { return GetWindow(dialog, GW_OWNER); }
  void Type(const std::wstring& text) const;  // replaces the field's text
  void PressKey(WORD virtualKey) const;       // a key pressed in the field
};
[[nodiscard]] std::optional<InputBoxView> FindInputBox(DWORD pid);

}  // namespace e2e
