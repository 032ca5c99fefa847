#pragma once
// A dialog box as a person sees it: a standard message box (text static
// 0xFFFF, icon static 0x440, push buttons by id) or the folder prompt.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace test_support {

inline constexpr int kMessageTextId = 0xFFFF;
inline constexpr int kMessageIconId = 0x440;
// The folder prompt's text and edit field.
inline constexpr int kPromptTextId = 100;
inline constexpr int kPromptEditId = 101;

struct BoxButton {
  int id = 0;
  std::wstring text;
  bool isDefault = false;
};

struct BoxView {
  HWND box = nullptr;
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;  // a message box's text, or the prompt's
  bool hasIcon = false;
  std::vector<BoxButton> buttons;  // as they were when the box was read

  [[nodiscard]] const BoxButton* Button(int id) const;
  [[nodiscard]] HWND Owner() const { return owner; }
  // Asked of the box as it is now: a visible push button with this id.
  [[nodiscard]] bool HasButton(int id) const;
  // Wine answers DM_GETDEFID with IDOK even on Yes/No boxes: read the style.
  [[nodiscard]] bool IsDefault(int id) const;
  // Presses the button; true once the box has closed.
  [[nodiscard]] bool Press(int id) const;
};

[[nodiscard]] BoxView ReadBox(HWND box);
// The process's first visible message box.
[[nodiscard]] std::optional<BoxView> FindMessageBox(DWORD pid);

}  // namespace test_support
