#include "tests/support/win32/message_box.h"

#include "tests/support/win32/window_probe.h"

namespace test_support {

const BoxButton* BoxView::Button(int id) const {
  for (const BoxButton& button : buttons) {
    if (button.id == id) return &button;
  }
  return nullptr;
}

bool BoxView::HasButton(int id) const {
  HWND button = GetDlgItem(box, id);
  return button && IsPushButton(button) && IsWindowVisible(button);
}

bool BoxView::IsDefault(int id) const {
  HWND button = GetDlgItem(box, id);
  return button && (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

bool BoxView::Press(int id) const {
  Click(GetDlgItem(box, id));
  return WaitUntil([&] { return !IsWindow(box); }, milliseconds(30000));
}

BoxView ReadBox(HWND box) {
  BoxView view;
  view.box = box;
  view.owner = GetWindow(box, GW_OWNER);
  view.title = ReadText(box);
  if (HWND text = GetDlgItem(box, kMessageTextId)) view.text = ReadText(text);
  if (HWND prompt = GetDlgItem(box, kPromptTextId)) view.text = ReadText(prompt);
  view.hasIcon = GetDlgItem(box, kMessageIconId) != nullptr;
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    if (view.HasButton(id)) view.buttons.push_back({id, ReadText(GetDlgItem(box, id)), view.IsDefault(id)});
  }
  return view;
}

std::optional<BoxView> FindMessageBox(DWORD pid) {
  for (HWND w : VisibleTopLevels(pid)) {
    HWND text = GetDlgItem(w, kMessageTextId);
    if (!text || !HasClass(text, L"Static")) continue;
    return ReadBox(w);
  }
  return std::nullopt;
}

}  // namespace test_support
