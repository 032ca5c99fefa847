#pragma once
// SHA-256 from Windows' CNG.  bcrypt.dll is loaded at run time from the
// system folder by its full path: a static import would be looked for beside
// the exe (a Downloads folder) before the DLL search is hardened, and it is
// not a known DLL on every Windows.  The provider is opened on the first
// Begin, a hash object per Begin.
#include <windows.h>
#include <bcrypt.h>

#include "platform/hash.h"
#include "platform/win32/system_module.h"

namespace platform::win32 {

// One owner per handle kind: the module, the algorithm provider and the hash
// object are released by three different calls.

struct CngCalls {
  NTSTATUS(WINAPI* openAlgorithm)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG) = nullptr;
  NTSTATUS(WINAPI* closeAlgorithm)(BCRYPT_ALG_HANDLE, ULONG) = nullptr;
  NTSTATUS(WINAPI* createHash)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG,
                               ULONG) = nullptr;
  NTSTATUS(WINAPI* hashData)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* finishHash)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* destroyHash)(BCRYPT_HASH_HANDLE) = nullptr;
};

inline void CloseAlgorithm(const CngCalls& calls, BCRYPT_ALG_HANDLE handle) noexcept {
  calls.closeAlgorithm(handle, 0);
}
inline void DestroyHash(const CngCalls& calls, BCRYPT_HASH_HANDLE handle) noexcept {
  calls.destroyHash(handle);
}

// A CNG handle, closed through the calls that opened it (bcrypt.dll is not
// imported, so its close calls are not at hand as plain functions).
template <void (*Close)(const CngCalls&, void*) noexcept>
class UniqueCngHandle {
 public:
  UniqueCngHandle() noexcept = default;
  UniqueCngHandle(const UniqueCngHandle&) = delete;
  UniqueCngHandle& operator=(const UniqueCngHandle&) = delete;
  ~UniqueCngHandle() { reset(); }
  [[nodiscard]] void* get() const noexcept { return handle_; }
  void reset(const CngCalls* calls = nullptr, void* handle = nullptr) noexcept {
    if (handle_ != nullptr) Close(*calls_, handle_);
    calls_ = calls;
    handle_ = handle;
  }

 private:
  const CngCalls* calls_ = nullptr;
  void* handle_ = nullptr;
};

using UniqueAlgorithm = UniqueCngHandle<CloseAlgorithm>;
using UniqueHash = UniqueCngHandle<DestroyHash>;

class Win32Sha256 final : public Sha256 {
 public:
  Win32Status Begin() override;
  Win32Status Update(const void* data, std::uint32_t size) override;
  Win32Status Finish(Sha256Digest* digest) override;

 private:
  Win32Status Load();

  // Declared first, destroyed last: the handles need the module's code.
  UniqueModule module_;
  CngCalls calls_;
  UniqueAlgorithm algorithm_;
  UniqueHash hash_;
};

}  // namespace platform::win32
