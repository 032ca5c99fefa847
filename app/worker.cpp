#include "app/worker.h"

#include <utility>

namespace app {

void Worker::Start(std::function<void()> job) {
  finished_ = false;
  error_ = nullptr;
  thread_ = std::thread([this, job = std::move(job)] {
    try {
      job();
    } catch (...) {
      // Rethrown on the window's thread, where the job's caller can trap it.
      error_ = std::current_exception();
    }
    finished_ = true;
    window_.PostFromWorker();
  });
}

bool Worker::Collect() {
  if (Idle() || !finished_) return false;
  thread_.join();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return true;
}

void Worker::Stop() {
  if (Idle()) return;
  files_.Cancel();
  thread_.join();
  error_ = nullptr;
}

}  // namespace app
