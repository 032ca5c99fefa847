#pragma once
// Wraps a registry and keeps the set of handles it handed out and that are
// not closed yet, so tests against advapi32 can assert that none leaked.
#include <set>

#include "platform/registry.h"

namespace platform::testing {

class CountingRegistry final : public Registry {
 public:
  explicit CountingRegistry(Registry& inner) : inner_(inner) {}

  RegStatus OpenKeyExA(RegKey parent, const char* subKey, std::uint32_t options,
                       std::uint32_t samDesired, RegKey* result) override {
    const RegStatus status = inner_.OpenKeyExA(parent, subKey, options, samDesired, result);
    if (status == 0 && result != nullptr && !IsPredefinedKey(*result)) open_.insert(*result);
    return status;
  }
  RegStatus CreateKeyExA(RegKey parent, const char* subKey, std::uint32_t reserved,
                         const char* keyClass, std::uint32_t options, std::uint32_t samDesired,
                         const SecurityAttributes* security, RegKey* result,
                         std::uint32_t* disposition) override {
    const RegStatus status = inner_.CreateKeyExA(parent, subKey, reserved, keyClass, options,
                                                 samDesired, security, result, disposition);
    if (status == 0 && result != nullptr && !IsPredefinedKey(*result)) open_.insert(*result);
    return status;
  }
  RegStatus QueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override {
    return inner_.QueryValueExA(key, valueName, type, data, size);
  }
  RegStatus CloseKey(RegKey key) override {
    const RegStatus status = inner_.CloseKey(key);
    if (status == 0) open_.erase(key);
    return status;
  }

  [[nodiscard]] int OpenHandles() const noexcept { return static_cast<int>(open_.size()); }

 private:
  Registry& inner_;
  std::set<RegKey> open_;
};

}  // namespace platform::testing
