#include "platform/win32/sha256.h"

#include <winternl.h>

namespace platform::win32 {

namespace {

// CNG answers NTSTATUS; the rest of the program speaks Win32 statuses.
Win32Status FromNt(NTSTATUS status) {
  return status >= 0 ? kErrorSuccess : static_cast<Win32Status>(RtlNtStatusToDosError(status));
}

}  // namespace

Win32Status Win32Sha256::Begin() {
  hash_.reset();
  if (algorithm_.get() == nullptr) {
    const NTSTATUS opened =
        BCryptOpenAlgorithmProvider(algorithm_.receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (opened < 0) {
      algorithm_.reset();
      return FromNt(opened);
    }
  }
  // With no buffer given, CNG keeps the hash object's memory itself.
  const NTSTATUS created =
      BCryptCreateHash(algorithm_.get(), hash_.receive(), nullptr, 0, nullptr, 0, 0);
  if (created < 0) hash_.reset();
  return FromNt(created);
}

Win32Status Win32Sha256::Update(const void* data, std::uint32_t size) {
  if (hash_.get() == nullptr) return kErrorInvalidHandle;
  return FromNt(BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
}

Win32Status Win32Sha256::Finish(Sha256Digest* digest) {
  if (hash_.get() == nullptr) return kErrorInvalidHandle;
  const NTSTATUS finished = BCryptFinishHash(
      hash_.get(), reinterpret_cast<PUCHAR>(digest->data()), static_cast<ULONG>(digest->size()), 0);
  // A finished hash object takes no more data.
  hash_.reset();
  return FromNt(finished);
}

}  // namespace platform::win32
