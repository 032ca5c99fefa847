#pragma once
// A registry under test (the double, or advapi32) with what only a test does
// to it: preparing and removing keys and values of any type and size.  Kept
// out of the product, which only ever reads.  The contract suite runs
// against each world.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace platform::testing {

class RegistryAdmin {
 public:
  virtual ~RegistryAdmin() = default;
  // Makes `path` below `root`, every missing level included.
  virtual RegStatus CreateKey(RegKey root, const std::string& path) = 0;
  // `data` is the 8-bit view, as RegQueryValueExA will hand it back.
  virtual RegStatus SetValue(RegKey root, const std::string& path, const std::string& name,
                             std::uint32_t type, std::string_view data) = 0;
  virtual RegStatus DeleteTree(RegKey root, const std::string& path) = 0;
  [[nodiscard]] virtual bool KeyExists(RegKey root, const std::string& path) = 0;
};

// A registry to test, with its administrator and a count of the handles the
// code under test still holds open.
class RegistryWorld {
 public:
  virtual ~RegistryWorld() = default;
  virtual Registry& Api() = 0;
  virtual RegistryAdmin& Admin() = 0;
  [[nodiscard]] virtual int OpenHandles() const = 0;
  [[nodiscard]] virtual bool IsDouble() const = 0;
};

// Defined once per test program: the double, or advapi32.
std::unique_ptr<RegistryWorld> MakeRegistryWorld();

}  // namespace platform::testing
