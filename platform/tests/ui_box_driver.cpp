#include "platform/tests/ui_box_driver.h"

#include <utility>

namespace platform::testing {

namespace {

struct Search {
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      std::wstring(className) == L"#32770" && TextOf(window) == *search->title) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

const BoxButton* SeenBox::Button(int id) const {
  for (const BoxButton& button : buttons) {
    if (button.id == id) return &button;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  // WM_GETTEXT rather than GetWindowText: it works on any thread's control.
  const LRESULT length = SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return std::wstring(buffer, static_cast<std::size_t>(length));
}

void PressKey(HWND control, WPARAM key) {
  PostMessageW(control, WM_KEYDOWN, key, 1);
  PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

BoxDriver::BoxDriver(std::wstring title, std::function<void(HWND)> answer)
    : title_(std::move(title)), answer_(std::move(answer)), thread_([this] { Run(); }) {}

BoxDriver::~BoxDriver() {
  if (thread_.joinable()) thread_.join();
}

const SeenBox& BoxDriver::Seen() {
  if (thread_.joinable()) thread_.join();
  return seen_;
}

void BoxDriver::Run() {
  Search search{&title_, nullptr};
  for (int i = 0; i < 750 && search.found == nullptr; ++i) {  // up to 15 s
    Sleep(20);
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
  }
  HWND box = search.found;
  if (box == nullptr) return;
  Sleep(100);  // let the box finish its WM_INITDIALOG work
  seen_.found = true;
  seen_.owner = GetWindow(box, GW_OWNER);
  seen_.title = TextOf(box);
  if (HWND text = GetDlgItem(box, kMessageTextId)) seen_.text = TextOf(text);
  if (HWND prompt = GetDlgItem(box, kPromptTextId)) seen_.text = TextOf(prompt);
  seen_.hasIcon = GetDlgItem(box, kMessageIconId) != nullptr;
  if (HWND edit = GetDlgItem(box, kPromptEditId)) {
    seen_.edit = TextOf(edit);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&seen_.selectionStart),
                 reinterpret_cast<LPARAM>(&seen_.selectionEnd));
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD boxThread = GetWindowThreadProcessId(box, nullptr);
    seen_.editHasFocus = GetGUIThreadInfo(boxThread, &info) && info.hwndFocus == edit;
  }
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    HWND button = GetDlgItem(box, id);
    if (button == nullptr) continue;
    const LONG style = GetWindowLongW(button, GWL_STYLE);
    seen_.buttons.push_back({id, TextOf(button), (style & 0x0F) == BS_DEFPUSHBUTTON});
  }
  answer_(box);
}

}  // namespace platform::testing
