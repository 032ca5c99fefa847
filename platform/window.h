#pragma once
// The main window as the logic sees it: one button, one timer.
#include <cstdint>
#include <string>

namespace platform {

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual void SetButtonCaption(const std::wstring& caption) = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;
  [[nodiscard]] virtual bool TimerEnabled() const = 0;
  // Dispatches the messages already queued (repaints, clicks, ticks), then returns.
  virtual void RunPendingMessages() = 0;
};

// What the window reports back to the logic.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnButtonClick() = 0;
  virtual void OnTimerTick() = 0;
};

}  // namespace platform
