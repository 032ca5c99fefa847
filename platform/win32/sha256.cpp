#include "platform/win32/sha256.h"

namespace platform::win32 {

namespace {

// CNG answers NTSTATUS; the rest of the program speaks Win32 statuses, and
// ntdll (in every process) translates.
Win32Status FromNt(NTSTATUS status) {
  if (status >= 0) return kErrorSuccess;
  using Translate = ULONG(WINAPI*)(NTSTATUS);
  Translate translate = nullptr;
  if (!Bind(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError", &translate)) {
    return ERROR_GEN_FAILURE;
  }
  return static_cast<Win32Status>(translate(status));
}

}  // namespace

Win32Status Win32Sha256::Load() {
  if (module_.get() != nullptr) return kErrorSuccess;
  UniqueModule module = LoadFromSystemFolder(L"bcrypt.dll");
  if (module.get() == nullptr) return GetLastError();
  CngCalls calls;
  if (!Bind(module.get(), "BCryptOpenAlgorithmProvider", &calls.openAlgorithm) ||
      !Bind(module.get(), "BCryptCloseAlgorithmProvider", &calls.closeAlgorithm) ||
      !Bind(module.get(), "BCryptCreateHash", &calls.createHash) ||
      !Bind(module.get(), "BCryptHashData", &calls.hashData) ||
      !Bind(module.get(), "BCryptFinishHash", &calls.finishHash) ||
      !Bind(module.get(), "BCryptDestroyHash", &calls.destroyHash)) {
    return GetLastError();
  }
  calls_ = calls;
  module_.reset(module.release());
  return kErrorSuccess;
}

Win32Status Win32Sha256::Begin() {
  hash_.reset();
  if (const Win32Status loaded = Load(); loaded != kErrorSuccess) return loaded;
  if (algorithm_.get() == nullptr) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    const NTSTATUS opened =
        calls_.openAlgorithm(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (opened < 0) return FromNt(opened);
    algorithm_.reset(&calls_, algorithm);
  }
  // With no buffer given, CNG keeps the hash object's memory itself.
  BCRYPT_HASH_HANDLE hash = nullptr;
  const NTSTATUS created = calls_.createHash(algorithm_.get(), &hash, nullptr, 0, nullptr, 0, 0);
  if (created < 0) return FromNt(created);
  hash_.reset(&calls_, hash);
  return kErrorSuccess;
}

Win32Status Win32Sha256::Update(const void* data, std::uint32_t size) {
  if (hash_.get() == nullptr) return ERROR_INVALID_HANDLE;
  return FromNt(calls_.hashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
}

Win32Status Win32Sha256::Finish(Sha256Digest* digest) {
  if (hash_.get() == nullptr) return ERROR_INVALID_HANDLE;
  const NTSTATUS finished = calls_.finishHash(hash_.get(), reinterpret_cast<PUCHAR>(digest->data()),
                                              static_cast<ULONG>(digest->size()), 0);
  // A finished hash object takes no more data.
  hash_.reset();
  return FromNt(finished);
}

}  // namespace platform::win32
