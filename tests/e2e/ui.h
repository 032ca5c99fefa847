#pragma once
// Looking at another process's windows the way a person would: by their
// titles, texts and buttons.  Texts are read with WM_GETTEXT, which Windows
// marshals across processes (GetWindowText cannot read a foreign control).
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using std::chrono::milliseconds;

[[nodiscard]] std::wstring ReadText(HWND window);
void WriteText(HWND window, const std::wstring& text);
[[nodiscard]] std::wstring ClassOf(HWND window);

// Visible top-level windows belonging to the process.
[[nodiscard]] std::vector<HWND> VisibleTopLevels(DWORD pid);
[[nodiscard]] std::vector<HWND> Children(HWND parent);

// Polls `ready` every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& ready, milliseconds timeout);

// The updater's main window: its caption and its one button.
struct MainWindowView {
  HWND window = nullptr;
  HWND button = nullptr;
  [[nodiscard]] std::wstring Title() const { return ReadText(window); }
  [[nodiscard]] std::wstring ButtonCaption() const { return ReadText(button); }
};
[[nodiscard]] std::optional<MainWindowView> FindMainWindow(DWORD pid, const std::wstring& title);

// A standard message box: text static (id 0xFFFF) and push buttons by id.
struct MessageBoxView {
  HWND box = nullptr;
  std::wstring title;
  std::wstring text;
  [[nodiscard]] bool HasButton(int id) const;
  [[nodiscard]] std::wstring ButtonText(int id) const;
  // Wine answers DM_GETDEFID with IDOK even on Yes/No boxes: read the style.
  [[nodiscard]] bool IsDefault(int id) const;
  [[nodiscard]] HWND Owner() const { return GetWindow(box, GW_OWNER); }
  // Presses the button; true once the box has closed.
  [[nodiscard]] bool Press(int id) const;
};
[[nodiscard]] std::optional<MessageBoxView> FindMessageBox(DWORD pid);

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

// Presses a push button the way a click would end: BM_CLICK, queued.
void Click(HWND button);

}  // namespace e2e
