#pragma once
// SHA-256 from Windows' CNG.  bcrypt.dll is loaded at run time from the
// system folder by its full path: a static import would be looked for beside
// the exe (a Downloads folder) before the DLL search is hardened, and it is
// not a known DLL on every Windows.  The provider is opened on the first
// Begin, a hash object per Begin.
#include <windows.h>
#include <bcrypt.h>

#include "platform/hash.h"

namespace platform::win32 {

// One owner per handle kind: the module, the algorithm provider and the hash
// object are released by three different calls.
class UniqueModule {
 public:
  UniqueModule() noexcept = default;
  explicit UniqueModule(HMODULE module) noexcept : module_(module) {}
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  ~UniqueModule() { reset(); }
  [[nodiscard]] HMODULE get() const noexcept { return module_; }
  void reset(HMODULE module = nullptr) noexcept {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = module;
  }
  [[nodiscard]] HMODULE release() noexcept {
    const HMODULE module = module_;
    module_ = nullptr;
    return module;
  }

 private:
  HMODULE module_ = nullptr;
};

struct CngCalls {
  NTSTATUS(WINAPI* openAlgorithm)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG) = nullptr;
  NTSTATUS(WINAPI* closeAlgorithm)(BCRYPT_ALG_HANDLE, ULONG) = nullptr;
  NTSTATUS(WINAPI* createHash)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG,
                               ULONG) = nullptr;
  NTSTATUS(WINAPI* hashData)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* finishHash)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* destroyHash)(BCRYPT_HASH_HANDLE) = nullptr;
};

class UniqueAlgorithm {
 public:
  UniqueAlgorithm() noexcept = default;
  UniqueAlgorithm(const UniqueAlgorithm&) = delete;
  UniqueAlgorithm& operator=(const UniqueAlgorithm&) = delete;
  ~UniqueAlgorithm() { reset(); }
  [[nodiscard]] BCRYPT_ALG_HANDLE get() const noexcept { return handle_; }
  // Takes a handle `calls` opened; they also close it.
  void reset(const CngCalls* calls = nullptr, BCRYPT_ALG_HANDLE handle = nullptr) noexcept {
    if (handle_ != nullptr) calls_->closeAlgorithm(handle_, 0);
    calls_ = calls;
    handle_ = handle;
  }

 private:
  const CngCalls* calls_ = nullptr;
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class UniqueHash {
 public:
  UniqueHash() noexcept = default;
  UniqueHash(const UniqueHash&) = delete;
  UniqueHash& operator=(const UniqueHash&) = delete;
  ~UniqueHash() { reset(); }
  [[nodiscard]] BCRYPT_HASH_HANDLE get() const noexcept { return handle_; }
  void reset(const CngCalls* calls = nullptr, BCRYPT_HASH_HANDLE handle = nullptr) noexcept {
    if (handle_ != nullptr) calls_->destroyHash(handle_);
    calls_ = calls;
    handle_ = handle;
  }

 private:
  const CngCalls* calls_ = nullptr;
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

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
