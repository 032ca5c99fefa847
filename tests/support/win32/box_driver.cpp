#include "tests/support/win32/box_driver.h"

#include <utility>

#include "tests/support/win32/window_probe.h"

namespace test_support {
namespace {

HWND FindDialog(const std::wstring& title) {
  for (HWND window : VisibleTopLevels(GetCurrentProcessId())) {
    if (ClassOf(window) == L"#32770" && ReadText(window) == title) return window;
  }
  return nullptr;
}

}  // namespace

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
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindDialog(title_)) != nullptr; }, milliseconds(15000));
  if (box == nullptr) return;
  Sleep(100);  // let the box finish its WM_INITDIALOG work
  static_cast<BoxView&>(seen_) = ReadBox(box);
  seen_.found = true;
  if (HWND edit = GetDlgItem(box, kPromptEditId)) {
    seen_.edit = ReadText(edit);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&seen_.selectionStart),
                 reinterpret_cast<LPARAM>(&seen_.selectionEnd));
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD boxThread = GetWindowThreadProcessId(box, nullptr);
    seen_.editHasFocus = GetGUIThreadInfo(boxThread, &info) && info.hwndFocus == edit;
  }
  answer_(box);
}

}  // namespace test_support
