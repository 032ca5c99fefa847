#pragma once
// The same progress on the window's taskbar button (ITaskbarList3, Windows 7
// and later).  Best effort: where the interface is missing or a call fails,
// nothing else changes.
#include <windows.h>

#include <cstdint>

#include "platform/win32/system_module.h"

struct ITaskbarList3;

namespace platform::win32 {

class TaskbarProgress {
 public:
  TaskbarProgress() = default;
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;
  ~TaskbarProgress();

  // Window thread.  Connects on first use: a short install never loads COM.
  void Show(HWND window, bool counted, std::uint32_t position, std::uint32_t range);
  void Clear(HWND window);

 private:
  [[nodiscard]] bool Connect();

  // Declared first, freed last: COM is left and the taskbar released before.
  UniqueModule ole32_;
  void(WINAPI* uninitialize_)() = nullptr;
  ITaskbarList3* taskbar_ = nullptr;  // released, and COM left, with this owner
  bool tried_ = false;
  bool comStarted_ = false;
};

}  // namespace platform::win32
