#pragma once
// The registry service on advapi32's 8-bit functions.
#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  RegStatus OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                       std::uint32_t samDesired, RegKey* result) override;
  RegStatus CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                         const char* keyClass, std::uint32_t options, std::uint32_t samDesired,
                         const SecurityAttributes* security, RegKey* result,
                         std::uint32_t* disposition) override;
  RegStatus QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override;
  RegStatus CloseKey(RegKey key) override;
};

}  // namespace platform::win32
