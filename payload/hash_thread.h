#pragma once
// A SHA-256 fed on a thread of its own: the caller hands over a piece and goes
// on (decoding and writing the next one) while the piece is hashed.  Under
// Wine the system's SHA-256 takes longer than decoding and writing together,
// so an apply then takes about as long as the hash alone instead of the sum.
//
// One piece is in flight at a time; a piece handed over must stay unchanged
// until the next Update, Finish or Wait returns.  The pieces are never copied.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <thread>

#include "platform/hash.h"

namespace payload {

class HashThread {
 public:
  // Hashes with `sha`, which no one else uses until this is destroyed.  When
  // no thread can be started, the pieces are hashed in the caller's thread.
  explicit HashThread(platform::Sha256& sha);
  HashThread(const HashThread&) = delete;
  HashThread& operator=(const HashThread&) = delete;
  ~HashThread();

  // Waits for any piece in flight, then starts a new hash.
  [[nodiscard]] platform::Win32Status Begin();
  // Waits until the previous piece is hashed, then hands `piece` over and
  // returns what the pieces before it came to.  After a failure, pieces are
  // dropped; Wait and Finish report it.
  [[nodiscard]] platform::Win32Status Update(std::span<const std::byte> piece);
  // Waits until every piece handed over is hashed: the first failure's status.
  [[nodiscard]] platform::Win32Status Wait();
  [[nodiscard]] platform::Win32Status Finish(platform::Sha256Digest* digest);

 private:
  void Run();
  void Hash(std::span<const std::byte> piece);  // with the lock not held

  platform::Sha256& sha_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::span<const std::byte> piece_;  // in flight
  bool busy_ = false;                 // piece_ handed over and not hashed yet
  bool stopping_ = false;
  platform::Win32Status status_ = platform::kErrorSuccess;
  std::thread thread_;  // last: started once the rest is ready
};

}  // namespace payload
