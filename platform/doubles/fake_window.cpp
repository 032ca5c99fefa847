#include "platform/doubles/fake_window.h"

#include <chrono>
#include <stdexcept>

namespace platform::doubles {

void FakeWindow::Show(WindowEvents& events) {
  owner_ = std::this_thread::get_id();
  events_ = &events;
  ++showCalls_;
}

void FakeWindow::Mine() {
  if (owner_ == std::thread::id() || owner_ == std::this_thread::get_id()) return;
  const std::lock_guard<std::mutex> lock(mailLock_);
  ++foreignCalls_;
}

int FakeWindow::CallsFromOtherThreads() const {
  const std::lock_guard<std::mutex> lock(mailLock_);
  return foreignCalls_;
}

void FakeWindow::SetButtonCaption(const std::wstring& caption) {
  Mine();
  caption_ = caption;
  captionHistory_.push_back(caption);
}

void FakeWindow::SetWorking(bool working) {
  Mine();
  working_ = working;
}

void FakeWindow::SetProgress(bool counted, std::uint32_t position) {
  Mine();
  progress_.emplace_back(counted, position);
}

void FakeWindow::PostFromWorker() {
  {
    const std::lock_guard<std::mutex> lock(mailLock_);
    ++posts_;
  }
  mailArrived_.notify_all();
}

int FakeWindow::TakePosts() {
  int posts = 0;
  {
    const std::lock_guard<std::mutex> lock(mailLock_);
    posts = std::exchange(posts_, 0);
  }
  for (int i = 0; i < posts && events_ != nullptr; ++i) events_->OnWorkPosted();
  return posts;
}

void FakeWindow::Settle() {
  while (working_) {
    {
      std::unique_lock<std::mutex> lock(mailLock_);
      if (!mailArrived_.wait_for(lock, std::chrono::seconds(10), [&] { return posts_ > 0; })) {
        throw std::runtime_error("the worker posted nothing for 10 s");
      }
    }
    TakePosts();
  }
}

void FakeWindow::Deliver(Event event) {
  if (events_ == nullptr) return;  // no window yet: nothing to click or tick
  if (event == Event::Click) {
    events_->OnButtonClick();
  } else if (timerEnabled_) {
    events_->OnTimerTick();
  }
}

bool FakeWindow::FireTickOnly() {
  if (events_ == nullptr || !timerEnabled_) return false;
  events_->OnTimerTick();
  return true;
}

bool FakeWindow::FireTick() {
  const bool delivered = FireTickOnly();
  Settle();
  return delivered;
}

void FakeWindow::ClickOnly() { Deliver(Event::Click); }

void FakeWindow::Click() {
  ClickOnly();
  Settle();
}

void FakeWindow::RunPendingMessages() {
  ++pendingRuns_;
  TakePosts();
  // Until the queue is empty, as a PeekMessage loop does.
  while (!queued_.empty()) {
    const Event event = queued_.front();
    queued_.pop_front();
    Deliver(event);
  }
}

}  // namespace platform::doubles
