#pragma once
// The main window as the logic sees it: one button, one timer, and a
// progress bar for the work a worker thread does meanwhile.
#include <cstdint>
#include <string>

namespace platform {

// What the window reports back to the logic.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnButtonClick() = 0;
  virtual void OnTimerTick() = 0;
  // A worker called PostFromWorker; runs on the window's thread.
  virtual void OnWorkPosted() {}
};

// The progress bar's range: the position is a share of the attempt's work.
inline constexpr std::uint32_t kProgressRange = 1000;

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

  // Work began or ended.  The progress bar (and the taskbar button) shows
  // only once the work has gone on for about 0.3 s, so a short install
  // looks as if there were none; it goes when the work ends.
  virtual void SetWorking(bool working) = 0;
  // `position` out of kProgressRange; with `counted` false, a step with no
  // count: a marquee.
  virtual void SetProgress(bool counted, std::uint32_t position) = 0;
  // The one member any thread may call: OnWorkPosted runs on the window's
  // thread later.  Never waits; once the window is gone it does nothing.
  virtual void PostFromWorker() = 0;
};

}  // namespace platform
