#include "payload/hash_thread.h"

#include <exception>

namespace payload {

HashThread::HashThread(platform::Sha256& sha) : sha_(sha) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::exception&) {
    // No thread to be had: Update hashes each piece before it returns.  Not
    // std::system_error alone: the exe reports the library's errors with a
    // type of its own (app/library_errors.cpp).
  }
}

HashThread::~HashThread() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HashThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (!busy_) return;  // stopping, nothing left
    const std::span<const std::byte> piece = piece_;
    lock.unlock();
    Hash(piece);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

void HashThread::Hash(std::span<const std::byte> piece) {
  // status_ changes only here and in Begin, never while a piece is in flight.
  if (status_ == platform::kErrorSuccess) {
    status_ = sha_.Update(piece.data(), static_cast<std::uint32_t>(piece.size()));
  }
}

platform::Win32Status HashThread::Begin() {
  (void)Wait();
  status_ = sha_.Begin();
  return status_;
}

platform::Win32Status HashThread::Update(std::span<const std::byte> piece) {
  if (!thread_.joinable()) {
    Hash(piece);
    return status_;
  }
  platform::Win32Status before = platform::kErrorSuccess;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    before = status_;
    piece_ = piece;
    busy_ = true;
  }
  changed_.notify_all();
  return before;
}

platform::Win32Status HashThread::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  return status_;
}

platform::Win32Status HashThread::Finish(platform::Sha256Digest* digest) {
  const platform::Win32Status status = Wait();
  return status == platform::kErrorSuccess ? sha_.Finish(digest) : status;
}

}  // namespace payload
