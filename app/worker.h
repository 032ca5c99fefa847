#pragma once
// One job at a time on a thread of its own, beside the window's thread.  The
// job gets only what it needs; it touches no window and shows no box.  Its
// progress (MeteredFiles) and its end reach the window's thread as posted
// messages, so that thread keeps answering.
#include <atomic>
#include <exception>
#include <functional>
#include <thread>

#include "app/metered_files.h"
#include "platform/window.h"

namespace app {

class Worker {
 public:
  Worker(MeteredFiles& files, platform::MainWindow& window) : files_(files), window_(window) {}
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  // Cancels a job still running and waits for it.
  ~Worker() { Stop(); }

  // Window thread, while Idle(): runs `job` on the worker.
  void Start(std::function<void()> job);
  // Window thread: no job started, or its end was collected.
  [[nodiscard]] bool Idle() const noexcept { return !thread_.joinable(); }
  // Window thread, on OnWorkPosted: once the job has returned, waits for its
  // thread and says true; what the job stored is then the window's to read.
  // An exception the job threw is thrown here.
  [[nodiscard]] bool Collect();
  // Window thread: the files fail every further call (MeteredFiles::Cancel),
  // and the job is waited for: it ends at its next call, never inside a
  // write.  What it stored, and its exception, are left unread.
  void Stop();

 private:
  MeteredFiles& files_;
  platform::MainWindow& window_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::exception_ptr error_;
};

}  // namespace app
