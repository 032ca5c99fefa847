#pragma once
// SHA-256 from Windows' CNG (bcrypt.dll).  The provider is opened once, a
// hash object per Begin.
#include <windows.h>
#include <bcrypt.h>

#include "platform/hash.h"

namespace platform::win32 {

// One owner per handle kind: the algorithm provider and the hash object are
// closed by different calls.
class UniqueAlgorithm {
 public:
  UniqueAlgorithm() noexcept = default;
  UniqueAlgorithm(const UniqueAlgorithm&) = delete;
  UniqueAlgorithm& operator=(const UniqueAlgorithm&) = delete;
  ~UniqueAlgorithm() { reset(); }
  [[nodiscard]] BCRYPT_ALG_HANDLE get() const noexcept { return handle_; }
  [[nodiscard]] BCRYPT_ALG_HANDLE* receive() noexcept {
    reset();
    return &handle_;
  }
  void reset() noexcept {
    if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
    handle_ = nullptr;
  }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class UniqueHash {
 public:
  UniqueHash() noexcept = default;
  UniqueHash(const UniqueHash&) = delete;
  UniqueHash& operator=(const UniqueHash&) = delete;
  ~UniqueHash() { reset(); }
  [[nodiscard]] BCRYPT_HASH_HANDLE get() const noexcept { return handle_; }
  [[nodiscard]] BCRYPT_HASH_HANDLE* receive() noexcept {
    reset();
    return &handle_;
  }
  void reset() noexcept {
    if (handle_ != nullptr) BCryptDestroyHash(handle_);
    handle_ = nullptr;
  }

 private:
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

class Win32Sha256 final : public Sha256 {
 public:
  Win32Status Begin() override;
  Win32Status Update(const void* data, std::uint32_t size) override;
  Win32Status Finish(Sha256Digest* digest) override;

 private:
  UniqueAlgorithm algorithm_;
  UniqueHash hash_;
};

}  // namespace platform::win32
