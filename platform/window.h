#pragma once
// The main window as the logic sees it: one button, one timer.
#include <cstdint>
#include <string>

namespace platform {

// What the window reports back to the logic.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnButtonClick() = 0;
  virtual void OnTimerTick() = 0;
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  // Creates the window on first use and shows it as an ordinary, ownerless
  // window; from then on its click and tick go to `events`.
  virtual void Show(WindowEvents& events) = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  [[nodiscard]] virtual std::wstring Caption() const = 0;
  virtual void SetButtonCaption(const std::wstring& caption) = 0;
  [[nodiscard]] virtual std::wstring ButtonCaption() const = 0;
  virtual void SetTimerInterval(std::uint32_t milliseconds) = 0;
  [[nodiscard]] virtual std::uint32_t TimerInterval() const = 0;
  // While enabled the timer ticks every interval; disabling stops the ticks.
  virtual void SetTimerEnabled(bool enabled) = 0;
  [[nodiscard]] virtual bool TimerEnabled() const = 0;
  // Dispatches the messages already queued (repaints, clicks, ticks), then returns.
  virtual void RunPendingMessages() = 0;
};

}  // namespace platform
