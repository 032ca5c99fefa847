#include "ui.h"

#include <thread>

namespace e2e {
namespace {

constexpr UINT kTextTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

bool SameClass(HWND window, const wchar_t* name) {
  return lstrcmpiW(ClassOf(window).c_str(), name) == 0;
}

struct TopLevelSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<TopLevelSearch*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == s->pid && IsWindowVisible(w)) s->found.push_back(w);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

bool IsPushButton(HWND window) {
  if (!SameClass(window, L"Button")) return false;
  const LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

std::wstring ReadText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                           &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied))
    return {};
  text.resize(copied);
  return text;
}

void WriteText(HWND window, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, kTextTimeoutMs, &ignored);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::vector<HWND> VisibleTopLevels(DWORD pid) {
  TopLevelSearch search{pid, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool WaitUntil(const std::function<bool()>& ready, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(15));
  }
}

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

bool MessageBoxView::HasButton(int id) const {
  HWND b = GetDlgItem(box, id);
  return b && IsPushButton(b) && IsWindowVisible(b);
}

std::wstring MessageBoxView::ButtonText(int id) const { return ReadText(GetDlgItem(box, id)); }

bool MessageBoxView::IsDefault(int id) const {
  HWND b = GetDlgItem(box, id);
  return b && (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

bool MessageBoxView::Press(int id) const {
  Click(GetDlgItem(box, id));
  return WaitUntil([&] { return !IsWindow(box); }, milliseconds(30000));
}

std::optional<MessageBoxView> FindMessageBox(DWORD pid) {
  for (HWND w : VisibleTopLevels(pid)) {
    HWND text = GetDlgItem(w, kMessageBoxTextId);
    if (!text || !SameClass(text, L"Static")) continue;
    return MessageBoxView{w, ReadText(w), ReadText(text)};
  }
  return std::nullopt;
}

bool InputBoxView::ShowsLabel(const std::wstring& text) const {
  for (const auto& s : statics)
    if (s == text) return true;
  return false;
}

void InputBoxView::Type(const std::wstring& text) const { WriteText(edit, text); }

void InputBoxView::PressKey(WORD virtualKey) const {
  // Queued to the field as the keyboard would, so the dialog's own loop
  // (IsDialogMessage) turns Enter and Esc into OK and Annulla.
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageW(edit, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageW(edit, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

std::optional<InputBoxView> FindInputBox(DWORD pid) {
  for (HWND w : VisibleTopLevels(pid)) {
    InputBoxView view;
    view.dialog = w;
    for (HWND child : Children(w)) {
      if (SameClass(child, L"Edit")) {
        view.edit = child;
      } else if (IsPushButton(child)) {
        const std::wstring caption = ReadText(child);
        if (caption == L"OK") view.ok = child;
        else if (caption == L"Annulla") view.cancel = child;
      } else if (SameClass(child, L"Static")) {
        view.statics.push_back(ReadText(child));
      }
    }
    if (!view.edit) continue;
    view.title = ReadText(w);
    return view;
  }
  return std::nullopt;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

}  // namespace e2e
