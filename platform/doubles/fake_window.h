#pragma once
// The main window without a window system: the test fires the timer and
// clicks the button itself, or queues them for RunPendingMessages.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform::doubles {

class FakeWindow final : public MainWindow {
 public:
  enum class Event { Click, Tick };

  void Show(WindowEvents& events) override;
  void SetCaption(const std::wstring& caption) override { windowCaption_ = caption; }
  [[nodiscard]] std::wstring Caption() const override { return windowCaption_; }
  void SetButtonCaption(const std::wstring& caption) override;
  [[nodiscard]] std::wstring ButtonCaption() const override { return caption_; }
  void SetTimerInterval(std::uint32_t milliseconds) override { interval_ = milliseconds; }
  [[nodiscard]] std::uint32_t TimerInterval() const override { return interval_; }
  void SetTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
  [[nodiscard]] bool TimerEnabled() const override { return timerEnabled_; }
  void RunPendingMessages() override;

  // Test side.  A tick is delivered only while the timer is enabled, as on
  // Windows; FireTick says whether it was.
  bool FireTick();
  void Click();
  void QueueTick() { queued_.push_back(Event::Tick); }
  void QueueClick() { queued_.push_back(Event::Click); }

  [[nodiscard]] bool Shown() const noexcept { return events_ != nullptr; }
  [[nodiscard]] int ShowCalls() const noexcept { return showCalls_; }
  [[nodiscard]] int PendingRuns() const noexcept { return pendingRuns_; }
  [[nodiscard]] std::size_t Queued() const noexcept { return queued_.size(); }
  // Every caption the button has been given, in order.
  [[nodiscard]] const std::vector<std::wstring>& CaptionHistory() const noexcept {
    return captionHistory_;
  }

 private:
  void Deliver(Event event);

  WindowEvents* events_ = nullptr;
  int showCalls_ = 0;
  std::wstring windowCaption_;
  std::wstring caption_;
  std::vector<std::wstring> captionHistory_;
  std::uint32_t interval_ = 0;
  bool timerEnabled_ = false;
  std::deque<Event> queued_;
  int pendingRuns_ = 0;
};

}  // namespace platform::doubles
