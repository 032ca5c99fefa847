#pragma once
// The four 8-bit registry calls the registry module is built on, with the
// statuses and out-parameter effects of advapi32.  Key handles travel as
// 32-bit values (an HKEY is 32 bits wide in the 32-bit program).
#include <cstdint>

namespace platform {

using RegKey = std::uint32_t;
using RegStatus = std::int32_t;  // LSTATUS

inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;
inline constexpr RegKey kHkeyUsers = 0x80000003u;
inline constexpr RegKey kHkeyPerformanceData = 0x80000004u;
inline constexpr RegKey kHkeyCurrentConfig = 0x80000005u;
inline constexpr RegKey kHkeyDynData = 0x80000006u;

[[nodiscard]] constexpr bool IsPredefinedKey(RegKey key) noexcept {
  return key >= kHkeyClassesRoot && key <= kHkeyDynData;
}

inline constexpr std::uint32_t kKeyRead = 0x20019u;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003Fu;
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Mirrors SECURITY_ATTRIBUTES of the 32-bit ABI.
struct SecurityAttributes {
  std::uint32_t nLength = 0;
  std::uint32_t lpSecurityDescriptor = 0;
  std::int32_t bInheritHandle = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // subKey == nullptr is "no name": a new handle to `parent` itself.
  virtual RegStatus OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                               std::uint32_t samDesired, RegKey* result) = 0;
  virtual RegStatus CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                                 const char* keyClass, std::uint32_t options,
                                 std::uint32_t samDesired, const SecurityAttributes* security,
                                 RegKey* result, std::uint32_t* disposition) = 0;
  // data == nullptr with *size == 0 is the size query.
  virtual RegStatus QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) = 0;
  virtual RegStatus CloseKey(RegKey key) = 0;
};

}  // namespace platform
