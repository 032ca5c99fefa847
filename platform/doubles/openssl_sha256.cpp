#include "platform/doubles/openssl_sha256.h"

#include <openssl/evp.h>

namespace platform::doubles {

namespace {
constexpr auto kNoName = [](int) { return false; };
}  // namespace

struct OpensslSha256::Context {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~Context() { EVP_MD_CTX_free(ctx); }
};

OpensslSha256::OpensslSha256() : context_(std::make_unique<Context>()) {}
OpensslSha256::~OpensslSha256() = default;

Win32Status OpensslSha256::Begin() {
  begun_ = false;
  if (const auto fail = Take(HashOp::Begin, kNoName)) return *fail;
  if (context_->ctx == nullptr || EVP_DigestInit_ex(context_->ctx, EVP_sha256(), nullptr) != 1) {
    return kErrorNotEnoughMemory;
  }
  begun_ = true;
  bytes_ = 0;
  return kErrorSuccess;
}

Win32Status OpensslSha256::Update(const void* data, std::uint32_t size) {
  if (const auto fail = Take(HashOp::Update, kNoName)) return *fail;
  if (!begun_) return kErrorInvalidHandle;
  if (EVP_DigestUpdate(context_->ctx, data, size) != 1) return kErrorInvalidParameter;
  bytes_ += size;
  total_ += size;
  return kErrorSuccess;
}

Win32Status OpensslSha256::Finish(Sha256Digest* digest) {
  if (const auto fail = Take(HashOp::Finish, kNoName)) return *fail;
  if (!begun_) return kErrorInvalidHandle;
  begun_ = false;
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context_->ctx, reinterpret_cast<unsigned char*>(digest->data()),
                         &length) != 1 ||
      length != digest->size()) {
    return kErrorInvalidParameter;
  }
  return kErrorSuccess;
}

}  // namespace platform::doubles
