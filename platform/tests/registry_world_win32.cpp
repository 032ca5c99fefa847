// The registry under test is advapi32 (under Wine in this project's runs).
#include <windows.h>

#include "platform/tests/counting_registry.h"
#include "platform/tests/registry_world.h"
#include "platform/win32/registry.h"
#include "tests/support/win32/owners.h"

namespace platform::testing {
namespace {

// Widened as a signed value, as the product does: the roots are the
// sign-extended 0x8000000n in a 64-bit process.
HKEY ToHkey(RegKey key) {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
}

class Win32Admin final : public RegistryAdmin {
 public:
  RegStatus CreateKey(RegKey root, const std::string& path) override {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr);
    const test_support::UniqueKey owner(status == ERROR_SUCCESS ? key : nullptr);
    return status;
  }
  RegStatus SetValue(RegKey root, const std::string& path, const std::string& name,
                     std::uint32_t type, std::string_view data) override {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    const test_support::UniqueKey owner(key);
    // RegSetValueExA counts a string's NUL for the caller when the byte
    // after the data is one; a non-NUL byte there stores exactly `data`.
    std::string copy(data);
    copy.push_back('x');
    status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(copy.data()),
                            static_cast<DWORD>(data.size()));
    return status;
  }
  RegStatus DeleteTree(RegKey root, const std::string& path) override {
    // With a subkey name, RegDeleteTree removes that key too.
    return RegDeleteTreeA(ToHkey(root), path.c_str());
  }
  bool KeyExists(RegKey root, const std::string& path) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(ToHkey(root), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const test_support::UniqueKey owner(key);
    return true;
  }
};

class Win32World final : public RegistryWorld {
 public:
  Registry& Api() override { return counting_; }
  RegistryAdmin& Admin() override { return admin_; }
  int OpenHandles() const override { return counting_.OpenHandles(); }
  bool IsDouble() const override { return false; }

 private:
  win32::Win32Registry registry_;
  CountingRegistry counting_{registry_};
  Win32Admin admin_;
};

}  // namespace

std::unique_ptr<RegistryWorld> MakeRegistryWorld() {
  return std::make_unique<Win32World>();
}

}  // namespace platform::testing
