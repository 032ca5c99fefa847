#pragma once
// The main window without a window system: the test fires the timer and
// clicks the button itself, or queues them for RunPendingMessages.  The
// test's thread is the window's thread; a worker's posts wait in a mailbox
// until that thread takes them.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace platform::doubles {

class FakeWindow final : public MainWindow {
 public:
  enum class Event { Click, Tick };

  void Show(WindowEvents& events) override;
  void SetCaption(const std::wstring& caption) override { Mine(); windowCaption_ = caption; }
  [[nodiscard]] std::wstring Caption() const override { return windowCaption_; }
  void SetButtonCaption(const std::wstring& caption) override;
  [[nodiscard]] std::wstring ButtonCaption() const override { return caption_; }
  void SetTimerInterval(std::uint32_t milliseconds) override { Mine(); interval_ = milliseconds; }
  [[nodiscard]] std::uint32_t TimerInterval() const override { return interval_; }
  void SetTimerEnabled(bool enabled) override { Mine(); timerEnabled_ = enabled; }
  [[nodiscard]] bool TimerEnabled() const override { return timerEnabled_; }
  // Also hands the worker's posts over, as a PeekMessage loop would.
  void RunPendingMessages() override;
  void SetWorking(bool working) override;
  void SetProgress(bool counted, std::uint32_t position) override;
  void PostFromWorker() override;

  // Test side.  A tick is delivered only while the timer is enabled, as on
  // Windows; FireTick says whether it was.  Click and FireTick then take the
  // worker's posts until the work they started has ended (Settle); the
  // ...Only forms return at once.
  bool FireTick();
  void Click();
  bool FireTickOnly();
  void ClickOnly();
  void QueueTick() { queued_.push_back(Event::Tick); }
  void QueueClick() { queued_.push_back(Event::Click); }
  // Takes the worker's posts as they come until the logic says the work has
  // ended; throws std::runtime_error if none comes for 10 s.
  void Settle();
  // Takes the posts waiting now; how many there were.
  int TakePosts();

  [[nodiscard]] bool Shown() const noexcept { return events_ != nullptr; }
  [[nodiscard]] int ShowCalls() const noexcept { return showCalls_; }
  [[nodiscard]] int PendingRuns() const noexcept { return pendingRuns_; }
  [[nodiscard]] std::size_t Queued() const noexcept { return queued_.size(); }
  // Every caption the button has been given, in order.
  [[nodiscard]] const std::vector<std::wstring>& CaptionHistory() const noexcept {
    return captionHistory_;
  }
  [[nodiscard]] bool Working() const noexcept { return working_; }
  // Every look the progress bar was given while work went on: counted and
  // position (a marquee is {false, 0}).
  [[nodiscard]] const std::vector<std::pair<bool, std::uint32_t>>& Progress() const noexcept {
    return progress_;
  }
  // Calls other than PostFromWorker made from a thread other than the one
  // that showed the window: a worker drawing on the window.
  [[nodiscard]] int CallsFromOtherThreads() const;

 private:
  void Deliver(Event event);
  void Mine();

  WindowEvents* events_ = nullptr;
  std::thread::id owner_;
  int showCalls_ = 0;
  std::wstring windowCaption_;
  std::wstring caption_;
  std::vector<std::wstring> captionHistory_;
  std::uint32_t interval_ = 0;
  bool timerEnabled_ = false;
  std::deque<Event> queued_;
  int pendingRuns_ = 0;
  bool working_ = false;
  std::vector<std::pair<bool, std::uint32_t>> progress_;

  mutable std::mutex mailLock_;
  std::condition_variable mailArrived_;
  int posts_ = 0;
  int foreignCalls_ = 0;
};

}  // namespace platform::doubles
