#pragma once
// Works a modal box of this process from a second thread, as a person would:
// waits for the dialog of a given title, reads what it shows, then answers it.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "tests/support/win32/message_box.h"

namespace test_support {

struct SeenBox : BoxView {
  bool found = false;
  std::wstring edit;  // the prompt's edit field
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  bool editHasFocus = false;
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

}  // namespace test_support
