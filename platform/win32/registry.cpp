#include "platform/win32/registry.h"

#include <windows.h>

#include <cstdint>

namespace platform::win32 {
namespace {

static_assert(sizeof(HKEY) >= sizeof(RegKey));
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

// A key travels in 32 bits.  In a 64-bit process handles still fit (Windows
// keeps kernel handles below 2^24 so that 32-bit and 64-bit processes can
// share them), and the predefined roots are the sign-extended 0x8000000n:
// so the value is widened as a signed one, as LongToHandle does.
HKEY ToHkey(RegKey key) noexcept {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
}
RegKey FromHkey(HKEY key) noexcept {
  return static_cast<RegKey>(reinterpret_cast<std::uintptr_t>(key));
}

// The out handle is written only through a local, so a call that fails
// leaves exactly what advapi32 left, converted.
template <typename Call>
RegStatus WithOutKey(RegKey* result, Call call) {
  HKEY out = result != nullptr ? ToHkey(*result) : nullptr;
  const LSTATUS status = call(result != nullptr ? &out : nullptr);
  if (result != nullptr) *result = FromHkey(out);
  return status;
}

}  // namespace

RegStatus Win32Registry::OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                                    std::uint32_t samDesired, RegKey* result) {
  return WithOutKey(result, [&](HKEY* out) {
    return ::RegOpenKeyExA(ToHkey(parent), subKey, options, samDesired, out);
  });
}

RegStatus Win32Registry::CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                                      const char* keyClass, std::uint32_t options,
                                      std::uint32_t samDesired,
                                      const SecurityAttributes* security, RegKey* result,
                                      std::uint32_t* disposition) {
  SECURITY_ATTRIBUTES attributes{};
  if (security != nullptr) {
    attributes.nLength = security->nLength;
    attributes.lpSecurityDescriptor =
        reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(security->lpSecurityDescriptor));
    attributes.bInheritHandle = security->bInheritHandle;
  }
  DWORD dispositionOut = disposition != nullptr ? *disposition : 0;
  const RegStatus status = WithOutKey(result, [&](HKEY* out) {
    return ::RegCreateKeyExA(ToHkey(parent), subKey, reserved, const_cast<LPSTR>(keyClass),
                             options, samDesired, security != nullptr ? &attributes : nullptr,
                             out, disposition != nullptr ? &dispositionOut : nullptr);
  });
  if (disposition != nullptr) *disposition = dispositionOut;
  return status;
}

RegStatus Win32Registry::QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
  return ::RegQueryValueExA(ToHkey(key), valueName, nullptr, reinterpret_cast<LPDWORD>(type),
                            data, reinterpret_cast<LPDWORD>(size));
}

RegStatus Win32Registry::CloseKey(RegKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace platform::win32
