#include "platform/doubles/fake_window.h"

namespace platform::doubles {

void FakeWindow::Show(WindowEvents& events) {
  events_ = &events;
  ++showCalls_;
}

void FakeWindow::SetButtonCaption(const std::wstring& caption) {
  caption_ = caption;
  captionHistory_.push_back(caption);
}

void FakeWindow::Deliver(Event event) {
  if (events_ == nullptr) return;  // no window yet: nothing to click or tick
  if (event == Event::Click) {
    events_->OnButtonClick();
  } else if (timerEnabled_) {
    events_->OnTimerTick();
  }
}

bool FakeWindow::FireTick() {
  if (events_ == nullptr || !timerEnabled_) return false;
  events_->OnTimerTick();
  return true;
}

void FakeWindow::Click() { Deliver(Event::Click); }

void FakeWindow::RunPendingMessages() {
  ++pendingRuns_;
  // Until the queue is empty, as a PeekMessage loop does.
  while (!queued_.empty()) {
    const Event event = queued_.front();
    queued_.pop_front();
    Deliver(event);
  }
}

}  // namespace platform::doubles
