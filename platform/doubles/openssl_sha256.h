#pragma once
// SHA-256 for the native builds, from OpenSSL's libcrypto, behind the same
// interface as CNG; any call can be told to fail with the status CNG's would
// turn into.
#include <memory>

#include "platform/doubles/call_script.h"
#include "platform/hash.h"

namespace platform::doubles {

enum class HashOp { Begin, Update, Finish };

class OpensslSha256 final : public Sha256, public CallScript<HashOp, Win32Status, int> {
 public:
  OpensslSha256();
  ~OpensslSha256() override;
  Win32Status Begin() override;
  Win32Status Update(const void* data, std::uint32_t size) override;
  Win32Status Finish(Sha256Digest* digest) override;

  // Bytes hashed since the last Begin: a test can see that nothing was read twice.
  [[nodiscard]] std::uint64_t BytesHashed() const noexcept { return bytes_; }
  [[nodiscard]] std::uint64_t TotalBytesHashed() const noexcept { return total_; }

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  bool begun_ = false;
  std::uint64_t bytes_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace platform::doubles
