#include "ui.h"

namespace e2e {

std::optional<MainWindowView> FindMainWindow(DWORD pid, const std::wstring& title) {
  for (HWND w : VisibleTopLevels(pid)) {
    if (ReadText(w) != title) continue;
    MainWindowView view{w, nullptr};
    for (HWND child : Children(w))
      if (IsPushButton(child)) view.button = child;
    if (view.button) return view;
  }
  return std::nullopt;
}

bool InputBoxView::ShowsLabel(const std::wstring& text) const {
  for (const auto& s : statics)
    if (s == text) return true;
  return false;
}

void InputBoxView::Type(const std::wstring& text) const { WriteText(edit, text); }

void InputBoxView::PressKey(WORD virtualKey) const { test_support::PressKey(edit, virtualKey); }

std::optional<InputBoxView> FindInputBox(DWORD pid) {
  for (HWND w : VisibleTopLevels(pid)) {
    InputBoxView view;
    view.dialog = w;
    for (HWND child : Children(w)) {
      if (HasClass(child, L"Edit")) {
        view.edit = child;
      } else if (IsPushButton(child)) {
        const std::wstring caption = ReadText(child);
        if (caption == L"OK") view.ok = child;
        else if (caption == L"Annulla") view.cancel = child;
      } else if (HasClass(child, L"Static")) {
        view.statics.push_back(ReadText(child));
      }
    }
    if (!view.edit) continue;
    view.title = ReadText(w);
    return view;
  }
  return std::nullopt;
}

}  // namespace e2e
