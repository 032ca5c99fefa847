#pragma once
// Works a modal box from a second thread, as a person would: waits for the
// dialog of a given title, reads what it shows, then answers it.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

struct BoxButton {
  int id = 0;
  std::wstring text;
  bool isDefault = false;  // BS_DEFPUSHBUTTON (Wine answers DM_GETDEFID with IDOK regardless)
};

struct SeenBox {
  bool found = false;
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;  // a message box's text, or the prompt of ours
  bool hasIcon = false;
  std::wstring edit;  // the prompt's edit field
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  bool editHasFocus = false;
  std::vector<BoxButton> buttons;

  [[nodiscard]] const BoxButton* Button(int id) const;
};

class BoxDriver {
 public:
  // `answer` runs on the driver's thread with the box's window.
  BoxDriver(std::wstring title, std::function<void(HWND)> answer);
  BoxDriver(const BoxDriver&) = delete;
  BoxDriver& operator=(const BoxDriver&) = delete;
  ~BoxDriver();

  // What the box showed; waits for the driver to finish.
  const SeenBox& Seen();

 private:
  void Run();

  std::wstring title_;
  std::function<void(HWND)> answer_;
  SeenBox seen_;
  std::thread thread_;
};

// Ids of the controls of the folder prompt and of a message box.
inline constexpr int kPromptTextId = 100;
inline constexpr int kPromptEditId = 101;
inline constexpr int kMessageTextId = 0xFFFF;
inline constexpr int kMessageIconId = 0x440;

std::wstring TextOf(HWND window);
// Posts a key press (down and up) to a control, through the modal loop.
void PressKey(HWND control, WPARAM key);

}  // namespace platform::testing
